// The structures of a batch run, each read once and kept for all its pairs.
#ifndef PAIRFIT_BATCH_STRUCTURE_CACHE_H
#define PAIRFIT_BATCH_STRUCTURE_CACHE_H

#include <string>
#include <vector>

#include "structure/molecule.h"

struct cached_structure {
    std::vector<atom> atoms;   // the C-alpha atoms as read, in file order
    std::string error;         // empty when the file was read; else why not, one line
};

// Reads the C-alpha atoms of the file at path into *entry, using *scratch
// (a full molecule record) to read into. A name too long for a molecule
// record, a file that cannot be opened or read, and one with more atoms
// than a molecule holds leave the message that pairfit prints, without the
// line end, in entry->error.
void read_structure(const std::string &path, molecule *scratch, cached_structure *entry);

// Puts the structure read from path into *mol as the reader left it:
// natoms, atoms 0 to natoms - 1 and filename. entry must have been read
// without error.
void load_structure(const cached_structure &entry, const std::string &path, molecule *mol);

#endif
