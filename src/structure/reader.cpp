#include "structure/reader.h"

#include <zlib.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "structure/cif_reader.h"

namespace {

// One read yields at most 254 characters; a longer line comes in pieces,
// each examined as a line of its own.
enum { LINE_SIZE = 255 };

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Copies the next whitespace-delimited word into out (cut to size - 1
// characters). Returns false when the text holds no further word.
bool read_word(const char *&p, char *out, size_t size) {
    while (is_space(*p)) ++p;
    if (*p == '\0') return false;
    size_t n = 0;
    for (; *p != '\0' && !is_space(*p); ++p)
        if (n + 1 < size) out[n++] = *p;
    out[n] = '\0';
    return true;
}


// Reads a finite floating-point number after optional whitespace, as
// "%lf" does; a sign directly after the number starts the next one.
bool read_double(const char *&p, double *value) {
    char *end;
    double v = std::strtod(p, &end);
    if (end == p || !std::isfinite(v)) return false;
    *value = v;
    p = end;
    return true;
}

// Fixed-column fields: the text of columns [start, start + width) of line
// (0-based), which must hold exactly one number apart from blanks.
bool column_text(const char *line, size_t length, size_t start, size_t width, char *out) {
    if (start >= length) return false;
    size_t n = 0;
    for (size_t i = start; i < start + width && i < length; ++i) out[n++] = line[i];
    out[n] = '\0';
    return true;
}

bool column_int(const char *line, size_t length, size_t start, size_t width, int *value) {
    char text[16];
    if (!column_text(line, length, start, width, text)) return false;
    const char *p = text;
    if (!read_int(p, value)) return false;
    while (is_space(*p)) ++p;
    return *p == '\0';
}

bool column_double(const char *line, size_t length, size_t start, size_t width, double *value) {
    char text[16];
    if (!column_text(line, length, start, width, text)) return false;
    const char *p = text;
    if (!read_double(p, value)) return false;
    while (is_space(*p)) ++p;
    return *p == '\0';
}

// Residue number and coordinates, read free-format from column 23 on.
bool scan_from_column_23(const char *line, size_t length, atom *a) {
    const char *p = length > 22 ? line + 22 : "";
    return read_int(p, &a->resnum) && read_double(p, &a->x) && read_double(p, &a->y) &&
           read_double(p, &a->z);
}

// The same values from their fixed PDB columns: an insertion code glued to
// the residue number (52A) stops the free-format scan, but not this one.
bool scan_fixed_columns(const char *line, size_t length, atom *a) {
    return column_int(line, length, 22, 4, &a->resnum) &&
           column_double(line, length, 30, 8, &a->x) &&
           column_double(line, length, 38, 8, &a->y) &&
           column_double(line, length, 46, 8, &a->z);
}

// The format of a file, as told by its first line that is neither blank nor
// a comment: one that begins with "data_" (in any letter case) opens an
// mmCIF data block; any other line means PDB text.
enum file_format { FORMAT_UNDECIDED, FORMAT_PDB, FORMAT_CIF };

// Looks at one piece of text as gzgets returns it. *in_comment carries a
// comment line that spans several pieces over to the next one.
int sniff_format(const char *piece, bool *in_comment) {
    if (!*in_comment) {
        const char *p = piece;
        while (is_space(*p)) ++p;
        if (*p == '#') {
            *in_comment = true;
        } else if (*p != '\0') {
            static const char DATA[] = "data_";
            for (size_t i = 0; i < sizeof DATA - 1; ++i)
                if (std::tolower(static_cast<unsigned char>(p[i])) != DATA[i]) return FORMAT_PDB;
            return FORMAT_CIF;
        }
    }
    size_t length = std::strlen(piece);
    if (length > 0 && piece[length - 1] == '\n') *in_comment = false;
    return FORMAT_UNDECIDED;
}

}  // namespace

bool read_int(const char *&p, int *value) {
    const char *q = p;
    while (is_space(*q)) ++q;
    bool negative = false;
    if (*q == '+' || *q == '-') negative = (*q++ == '-');
    if (!std::isdigit(static_cast<unsigned char>(*q))) return false;
    long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*q)); ++q)
        if (v <= INT_MAX) v = v * 10 + (*q - '0');
    if (negative) v = -v;
    *value = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
    p = q;
    return true;
}

int parse_ca_line(const char *line, atom *a) {
    char record[8], name[NAME_SIZE], resname[NAME_SIZE];
    int serial;
    const char *p = line;
    // Record name and atom name compare as whole words: ATOMS, HETATM12795
    // or CA1 do not qualify. A serial number that is no integer ends the line.
    if (!read_word(p, record, sizeof record) || std::strcmp(record, "ATOM") != 0) return LINE_OTHER;
    if (!read_int(p, &serial) || !read_word(p, name, sizeof name) || std::strcmp(name, "CA") != 0)
        return LINE_OTHER;
    if (!read_word(p, resname, sizeof resname)) resname[0] = '\0';

    size_t length = std::strlen(line);
    if (!scan_from_column_23(line, length, a) && !scan_fixed_columns(line, length, a))
        return LINE_CA_UNREADABLE;
    a->number = serial;
    std::memcpy(a->name, name, sizeof name);
    std::memcpy(a->resname, resname, sizeof resname);
    return LINE_CA;
}

int read_ca_file(molecule *mol) {
    gzFile file = gzopen(mol->filename, "r");
    if (file == nullptr) return READ_CANT_OPEN;
    gzbuffer(file, 1 << 16);

    char line[LINE_SIZE];
    int count = 0;
    long line_number = 1;
    int status = READ_OK;
    int format = FORMAT_UNDECIDED;
    bool in_comment = false;
    while (gzgets(file, line, LINE_SIZE) != nullptr) {
        if (format == FORMAT_UNDECIDED) {
            format = sniff_format(line, &in_comment);
            if (format == FORMAT_CIF) {
                status = read_ca_cif(file, line, mol);
                gzclose(file);
                return status;
            }
        }
        atom parsed;
        int kind = parse_ca_line(line, &parsed);
        if (kind == LINE_CA) {
            if (count == MAX_ATOMS) {
                status = READ_TOO_MANY_ATOMS;
                break;
            }
            atom *a = &mol->atoms[count++];
            a->x = parsed.x;
            a->y = parsed.y;
            a->z = parsed.z;
            std::memcpy(a->resname, parsed.resname, NAME_SIZE);
            std::memcpy(a->name, parsed.name, NAME_SIZE);
            a->number = parsed.number;
            a->resnum = parsed.resnum;
            a->sqdev = 0.0;
            a->selected = 1;
        } else if (kind == LINE_CA_UNREADABLE) {
            std::fprintf(stderr,
                         "Warning: %s, line %ld: C-alpha line without a readable residue number "
                         "and coordinates, skipped\n",
                         mol->filename, line_number);
        }
        size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n') ++line_number;
    }
    if (status == READ_OK) {
        int error;
        gzerror(file, &error);
        if (error != Z_OK) status = READ_ERROR;
    }
    gzclose(file);
    if (status != READ_OK) count = 0;
    mol->natoms = count;
    return status;
}

void print_read_error(FILE *out, int status, const char *path) {
    switch (status) {
    case READ_CANT_OPEN: std::fprintf(out, "Couldn't open file %s\n", path); break;
    case READ_ERROR: std::fprintf(out, "Error reading file %s\n", path); break;
    case READ_TOO_MANY_ATOMS:
        std::fprintf(out, "Too many C-alpha atoms in file %s (at most %d)\n", path, MAX_ATOMS);
        break;
    default: break;
    }
}

int read_molecules_ca() {
    for (int i = 0; i < 2; ++i) {
        int status = read_ca_file(&m[i]);
        if (status != READ_OK) {
            print_read_error(stdout, status, m[i].filename);
            return status;
        }
        ma[i] = m[i].natoms;
    }
    return READ_OK;
}
