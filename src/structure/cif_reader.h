// Reading the C-alpha atoms of a PDBx/mmCIF file, plain or gzip-compressed.
#ifndef PAIRFIT_CIF_READER_H
#define PAIRFIT_CIF_READER_H

#include <zlib.h>

#include "pairfit/structure.h"

namespace pairfit {

// Reads the C-alpha atoms of an mmCIF file into out, as the PDB reader does
// for PDB text: the ATOM rows of _atom_site whose atom name is CA, in file
// order across all models. head is the text already taken from file (it
// holds the start of the data block); the rest is read from file, which the
// caller opens and closes. Throws read_error: unreadable for a read error,
// text that is not mmCIF, or a file without the needed columns.
void read_ca_cif(gzFile file, const char *head, const read_options &options, structure *out);

}  // namespace pairfit

#endif
