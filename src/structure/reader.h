// Reading the C-alpha atoms of a PDB file, plain or gzip-compressed.
#ifndef PAIRFIT_READER_H
#define PAIRFIT_READER_H

#include <cstdio>

#include "structure/molecule.h"

enum read_status {
    READ_OK = 0,
    READ_CANT_OPEN,       // the file could not be opened
    READ_ERROR,           // a read error or corrupt compressed data mid-file
    READ_TOO_MANY_ATOMS,  // more than MAX_ATOMS C-alpha atoms
};

// What parse_ca_line makes of one line of text.
enum line_kind {
    LINE_OTHER = 0,       // not an ATOM line of a C-alpha atom
    LINE_CA,              // a C-alpha atom, stored in the atom record
    LINE_CA_UNREADABLE,   // a C-alpha line whose residue number or coordinates do not read
};

// Reads an optionally signed decimal integer after optional whitespace, as
// "%d" does, and moves p past it; the number ends at the first non-digit.
// Out-of-range values are clamped to the int range. False, with p
// unchanged, when no digit follows.
bool read_int(const char *&p, int *value);

// Examines one line (without regard to earlier lines) and, for a C-alpha
// ATOM line, fills number, name, resname, resnum and x, y, z of *a.
int parse_ca_line(const char *line, atom *a);

// Reads the C-alpha atoms of the file named by mol->filename into mol.
// Returns a read_status; warnings about skipped lines go to standard error.
int read_ca_file(molecule *mol);

// Prints the message for a failed read of path to out.
void print_read_error(FILE *out, int status, const char *path);

// Reads molecule 1 and then molecule 2 of the workspace from their
// filenames and sets ma. On failure prints the message on standard output
// and returns the read_status; the second file is not tried if the first fails.
int read_molecules_ca();

#endif
