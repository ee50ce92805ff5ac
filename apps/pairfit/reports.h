// The per-atom deviation table and the superposed coordinate file.
#ifndef PAIRFIT_REPORT_H
#define PAIRFIT_REPORT_H

// Prints rms and one row for every pair selected in molecule 1 of the
// workspace: both atoms as in their files and the pair's distance.
void output_results();

// Writes molecule 2 and then molecule 1 of the workspace as PDB ATOM lines,
// each block closed by "END ", the selection of each pair marked in the
// temperature factor. Returns 0, or -1 when the file could not be opened or
// written; a partly written file is removed.
int output_file(const char *path);

#endif
