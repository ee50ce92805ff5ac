// Continuing an interrupted batch run in its own output file.
#ifndef PAIRFIT_BATCH_RESUME_H
#define PAIRFIT_BATCH_RESUME_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "pair_list.h"

struct resume_point {
    FILE *out = nullptr;     // the file, open for appending the remaining rows
    size_t rows_done = 0;    // complete rows already in it
    size_t rows_failed = 0;  // of those, rows with a message in place of the values
};

// Opens the output file at path of a run over rows [first, end) of pairs,
// creating it if it does not exist. Its complete lines must be header (the
// run's header line, which tells the number of values a row) and then rows
// of these pairs in order; a last line without its line end
// (the run was killed while writing it) is cut off, and an empty file gets
// the header. Every kept row must hold the six values as numbers (or one
// message). The file stays locked (flock) while it is open, so that a
// second run on it is refused. Returns false, with the reason in *error,
// when the file is not a regular file, is locked by another run, cannot be
// read or written, holds a damaged row or does not belong to this pair list.
bool open_for_resume(const std::string &path, const pair_list &pairs, size_t first, size_t end,
                     const std::string &header, resume_point *point, std::string *error);

#endif
