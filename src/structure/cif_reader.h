// Reading the C-alpha atoms of a PDBx/mmCIF file, plain or gzip-compressed.
#ifndef PAIRFIT_CIF_READER_H
#define PAIRFIT_CIF_READER_H

#include "pairfit/structure.h"

namespace pairfit {

class text_source;

// Reads the C-alpha atoms of an mmCIF file into out, as the PDB reader does
// for PDB text: the ATOM rows of _atom_site whose atom name is CA, in file
// order across all models, from the first data block that has _atom_site.
// head is the text already taken from source (it holds the start of the
// data block); the rest is read from source as a stream, and reading stops
// at the end of that block. Memory is bounded whatever the size of the
// file: a single value (or a run of blanks and comments) over
// MAX_CIF_TOKEN_BYTES, or more than MAX_CIF_HELD_ROWS entities or undecided
// C-alpha rows, is refused. Throws read_error: unreadable for a read error,
// text that is not mmCIF, or a file without the needed columns.
void read_ca_cif(text_source &source, const char *head, const read_options &options, structure *out);

constexpr size_t MAX_CIF_TOKEN_BYTES = 1u << 20;
constexpr size_t MAX_CIF_HELD_ROWS = 100000;

}  // namespace pairfit

#endif
