// The files for people and other programs that -html, -sup and -json ask for.
#ifndef PAIRFIT_APP_REPORT_FILES_H
#define PAIRFIT_APP_REPORT_FILES_H

#include <string>
#include <vector>

#include "pairfit/complex.h"
#include "pairfit/pairfit.h"
#include "reports.h"

// Writes the HTML report of the comparison to path (r needs the per-size
// scores), the run's warnings in a box at the top; scores, when given, are
// shown too. On failure prints "Couldn't write file PATH" on standard error
// and returns false; path is then as it was before. With sizes_as_scored,
// r's per-size scores are those of the subsets the fast search scored, and
// the page says so. chain_map: the chains mapped before pairing
// (-complex), or nullptr.
bool write_html_report(const char *path, const compared_pair &input, pairfit::pairing_method method,
                       const pairfit::result &r, int min_size, const std::vector<std::string> &warnings,
                       bool sizes_as_scored = false, const pairfit::metrics *scores = nullptr,
                       const std::vector<pairfit::chain_match> *chain_map = nullptr);

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
