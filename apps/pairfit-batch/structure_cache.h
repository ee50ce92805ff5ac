// The structures of a batch run, each read once and kept for all its pairs.
#ifndef PAIRFIT_BATCH_STRUCTURE_CACHE_H
#define PAIRFIT_BATCH_STRUCTURE_CACHE_H

#include <string>

#include "pairfit/structure.h"

struct cached_structure {
    pairfit::structure atoms;   // the C-alpha atoms as read
    std::string error;          // empty when the file was read; else why not, one line
};

// Reads the C-alpha atoms that name stands for (FILE or FILE@SELECTION)
// into *entry. A name too long for pairfit, a file that cannot be opened or
// read, one with more atoms than max_atoms, and a selection that does not
// parse or matches nothing leave the message that pairfit prints, without
// the line end, in entry->error. Warnings go to standard error.
void read_cached_structure(const std::string &name, std::size_t max_atoms, cached_structure *entry);

#endif
