// The phases of one comparison after reading: matching, search, the SCORE
// values and the final reports.
#ifndef PAIRFIT_RUN_H
#define PAIRFIT_RUN_H

#include <cstddef>

#include "search/search.h"

// The run's best subset, per-size scores and rotation (one set per thread).
extern thread_local best_subset best;
extern thread_local double best_score_by_size[MAX_ATOMS + 1];
extern thread_local double rotation[9];

// Matches the two molecules of the workspace, as read, by residue number and
// runs the search. Returns the larger count of C-alpha atoms read.
int compare_molecules(int min_size, double frac_step);

// The six tab-separated values of the SCORE line (without "SCORE:\t" and the
// line end): the larger atom count read, size, RMS, score and p-value of the
// best subset, and the p-value normalised by the atom count of file 1.
void format_score_values(char *out, size_t size, int max_natoms, int min_size);

// The reports that the flags ask for, after the SCORE line: the per-atom
// table of the best subset (-o), the per-size lines (-b) and the coordinate
// file (-pdb). Returns 0, or -1 when the coordinate file could not be written.
int final_reports();

#endif
