// The files for people and other programs that -html and -sup ask for.
#ifndef PAIRFIT_APP_REPORT_FILES_H
#define PAIRFIT_APP_REPORT_FILES_H

#include <vector>

#include "pairfit/complex.h"
#include "reports.h"

// Writes the HTML report of the comparison to path (r needs the per-size
// scores). On failure prints "Couldn't write file PATH" on standard error
// and returns false; path is then as it was before.
// chain_map: the chains mapped before pairing (-complex), or nullptr.
bool write_html_report(const char *path, const compared_pair &input, pairfit::pairing_method method,
                       const pairfit::result &r, int min_size,
                       const std::vector<pairfit::chain_match> *chain_map = nullptr);

// Writes every atom of both input files, structure 2 moved onto structure
// 1, to path: mmCIF when it ends in ".cif", PDB otherwise. On failure
// prints the reason on standard error and returns false; path is then as
// it was before.
bool write_superposed_file(const char *path, const compared_pair &input, const pairfit::result &r);

#endif
