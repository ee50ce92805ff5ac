// Reading the C-alpha atoms of PDB text, plain or gzip-compressed; mmCIF
// files are recognised by content and handed to the mmCIF reader.
#ifndef PAIRFIT_READER_H
#define PAIRFIT_READER_H

#include <string>

#include "pairfit/structure.h"

namespace pairfit {

// Residue and atom names are cut to this many characters.
enum { MAX_NAME_LENGTH = 7 };

// What parse_ca_line makes of one line of text.
enum class line_kind {
    other,           // not an ATOM line of a C-alpha atom
    ca,              // a C-alpha atom, stored in the atom record
    ca_unreadable,   // a C-alpha line whose residue number or coordinates do not read
};

// Reads an optionally signed decimal integer after optional whitespace, as
// "%d" does, and moves p past it; the number ends at the first non-digit.
// Out-of-range values are clamped to the int range. False, with p
// unchanged, when no digit follows.
bool read_int(const char *&p, int *value);

// Examines one line (without regard to earlier lines) and, for a C-alpha
// ATOM line, fills every field of *a but the model.
line_kind parse_ca_line(const char *line, ca_atom *a);

// The messages of a failed read, as the programs print them.
std::string read_failure_message(read_failure kind, const std::string &path, size_t max_atoms);

// Throws the read_error of kind for path.
[[noreturn]] void fail_read(read_failure kind, const std::string &path, size_t max_atoms);

}  // namespace pairfit

#endif
