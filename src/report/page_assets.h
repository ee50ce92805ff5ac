// The report pages' own style sheet and scripts, kept as files under
// src/report/assets/ and compiled into the programs by
// cmake/embed_file.cmake: a page needs no file at run time.
#ifndef PAIRFIT_REPORT_PAGE_ASSETS_H
#define PAIRFIT_REPORT_PAGE_ASSETS_H

#include <string>
#include <string_view>

namespace pairfit {

// assets/page.css: the style sheet of every page.
std::string_view page_style();

// assets/table_sort.js: sorts a table's body rows by the clicked column's
// data-value (a second click reverses the order).
std::string_view table_sort_script();

// assets/viewer.js: draws the two C-alpha traces from the JSON in
// #structure-data into #viewer. Atoms of one chain and model closer than
// 4.3 A are joined, as C-alpha atoms of consecutive residues are 3.8 A
// apart.
std::string_view viewer_drawing_script();

// assets/domain_axes.js: draws each axis of #viewer's data-axes
// (domain_axes_json) as an arrow and counts those drawn in
// data-axes-drawn; it goes into viewer.js where its marker line stands.
std::string_view domain_axes_script();

// viewer.js, with domain_axes.js at its marker line when with_domain_axes,
// else without that line.
std::string viewer_setup_script(bool with_domain_axes);

}  // namespace pairfit

#endif
