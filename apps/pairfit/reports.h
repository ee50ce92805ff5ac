// What pairfit prints and writes besides the SCORE line.
#ifndef PAIRFIT_APP_REPORTS_H
#define PAIRFIT_APP_REPORTS_H

#include <string>

#include "compared_pair.h"
#include "deviation_table.h"
#include "pairfit/compare.h"
#include "pairfit/domains.h"
#include "progress_printer.h"
#include "scores_by_size.h"

// The -domains lines, one a domain: number, size, RMS, p-value, angle of
// its motion relative to domain 1 (degrees) and its residue ranges in
// structure 1.
void print_domain_lines(const compared_pair &input, const pairfit::domain_analysis &domains);

// Writes structure 2 and then structure 1, superposed, as PDB ATOM lines,
// each block closed by "END ", the subset marked in the temperature
// factor. The file is written whole or not at all (see output_file):
// returns false, with the reason in *reason, when it could not be written,
// leaving what was at path.
bool write_coordinate_file(const char *path, const compared_pair &input, const pairfit::result &r,
                           std::string *reason);

#endif
