// Reading the C-alpha atoms of PDB text: its ATOM lines of atoms named CA
// and its MODEL records, one line at a time.
#ifndef PAIRFIT_PDB_READER_H
#define PAIRFIT_PDB_READER_H

#include <string>

#include "pairfit/structure.h"

namespace pairfit {

class text_source;

// Residue and atom names are cut to this many characters.
enum { MAX_NAME_LENGTH = 7 };

// What parse_ca_line makes of one line of text.
enum class line_kind {
    other,          // not an ATOM line of a C-alpha atom
    ca,             // a C-alpha atom, stored in the atom record
    ca_unreadable,  // a C-alpha line whose residue number or coordinates do not read
};

// Reads an optionally signed decimal integer after optional whitespace, as
// "%d" does, and moves p past it; the number ends at the first non-digit.
// Out-of-range values are clamped to the int range. False, with p
// unchanged, when no digit follows.
bool read_int(const char *&p, int *value);

// Examines one line (without regard to earlier lines) and, for a C-alpha
// ATOM line, fills every field of *a but the model.
line_kind parse_ca_line(const char *line, ca_atom *a);

// Adds the C-alpha atoms of PDB text to a structure, line by line, in the
// model of the last MODEL record (1 before any). Line numbers in warnings
// count line ends; a NUL byte ends a line's text.
class pdb_reader {
public:
    // The first 254 characters of a line are examined; the rest of a longer
    // line is ignored.
    enum { LINE_SIZE = 255 };

    pdb_reader(text_source &source, const std::string &path, const read_options &options, structure *out);

    // One line as source.read_line_start gave it (at most LINE_SIZE - 1
    // characters; ended: its line end was stored). Skips the rest of a
    // longer line in source. Throws read_error when there are too many atoms.
    void take_line(const char *line, bool ended);

    // After the last line: throws read_error when the text ended with a read error.
    void finish();

private:
    text_source &source_;
    const std::string &path_;
    const read_options &options_;
    structure *out_;
    long line_number_ = 1;
    int model_ = 1;
};

}  // namespace pairfit

#endif
