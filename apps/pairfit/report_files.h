// The files for people and other programs that -html, -sup and -json ask for.
#ifndef PAIRFIT_APP_REPORT_FILES_H
#define PAIRFIT_APP_REPORT_FILES_H

#include <string>
#include <vector>

#include "pairfit/complex.h"
#include "pairfit/pairfit.h"
#include "report/pair_page.h"
#include "reports.h"

// Writes the HTML report page to path. On failure prints "Couldn't write
// file PATH: REASON" on standard error and returns false; path is then as
// it was before.
bool write_html_report(const char *path, const pairfit::pair_page_input &page);

// Writes every atom of both input files, structure 2 moved onto structure
// 1, to path: mmCIF when it ends in ".cif", PDB otherwise. On failure
// prints the reason on standard error and returns false; path is then as
// it was before.
bool write_superposed_file(const char *path, const compared_pair &input, const pairfit::result &r);

// Writes the comparison's JSON document to path, failing as
// write_html_report does.
bool write_json_file(const char *path, const pairfit::comparison_description &document);

// Writes the PyMOL script that shows the superposed file at superposed_path
// (already written) to path; first is structure 1, whose models come first
// in that file. On failure prints "Couldn't write file PATH" on standard
// error and returns false.
bool write_pymol_script(const char *path, const char *superposed_path, const pairfit::structure &first);

#endif
