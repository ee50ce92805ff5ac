#include "structure/reader.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "structure/cif_reader.h"
#include "structure/selection_parse.h"
#include "structure/text_source.h"

namespace pairfit {

namespace {

// The first 254 characters of a line are examined; the rest of a longer
// line is ignored.
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
bool scan_from_column_23(const char *line, size_t length, ca_atom *a) {
    const char *p = length > 22 ? line + 22 : "";
    return read_int(p, &a->residue_number) && read_double(p, &a->x) && read_double(p, &a->y) &&
           read_double(p, &a->z);
}

// The same values from their fixed PDB columns: an insertion code glued to
// the residue number (52A) stops the free-format scan, but not this one.
bool scan_fixed_columns(const char *line, size_t length, ca_atom *a) {
    return column_int(line, length, 22, 4, &a->residue_number) &&
           column_double(line, length, 30, 8, &a->x) &&
           column_double(line, length, 38, 8, &a->y) &&
           column_double(line, length, 46, 8, &a->z);
}

// The format of a file, as told by its first line that is neither blank nor
// a comment: one that begins with "data_" (in any letter case) opens an
// mmCIF data block; any other line means PDB text.
enum file_format { FORMAT_UNDECIDED, FORMAT_PDB, FORMAT_CIF };

// Looks at the start of one line.
int sniff_format(const char *line) {
    const char *p = line;
    while (is_space(*p)) ++p;
    if (*p == '#' || *p == '\0') return FORMAT_UNDECIDED;
    static const char DATA[] = "data_";
    for (size_t i = 0; i < sizeof DATA - 1; ++i)
        if (std::tolower(static_cast<unsigned char>(p[i])) != DATA[i]) return FORMAT_PDB;
    return FORMAT_CIF;
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

line_kind parse_ca_line(const char *line, ca_atom *a) {
    char record[8], name[MAX_NAME_LENGTH + 1], resname[MAX_NAME_LENGTH + 1];
    int serial;
    const char *p = line;
    // Record name and atom name compare as whole words: ATOMS, HETATM12795
    // or CA1 do not qualify. A serial number that is no integer ends the line.
    if (!read_word(p, record, sizeof record) || std::strcmp(record, "ATOM") != 0)
        return line_kind::other;
    if (!read_int(p, &serial) || !read_word(p, name, sizeof name) || std::strcmp(name, "CA") != 0)
        return line_kind::other;
    if (!read_word(p, resname, sizeof resname)) resname[0] = '\0';

    size_t length = std::strlen(line);
    if (!scan_from_column_23(line, length, a) && !scan_fixed_columns(line, length, a))
        return line_kind::ca_unreadable;
    a->serial = serial;
    a->atom_name = name;
    a->residue_name = resname;
    // Chain and insertion code only from their fixed columns; blank is none.
    a->chain_id.clear();
    if (length > 21 && !is_space(line[21])) a->chain_id.assign(1, line[21]);
    a->insertion_code = length > 26 && !is_space(line[26]) ? line[26] : ' ';
    return line_kind::ca;
}

std::string read_failure_message(read_failure kind, const std::string &path, size_t max_atoms) {
    switch (kind) {
    case read_failure::cannot_open: return "Couldn't open file " + path;
    case read_failure::unreadable: return "Error reading file " + path;
    case read_failure::too_many_atoms:
        return "Too many C-alpha atoms in file " + path + " (at most " + std::to_string(max_atoms) +
               ")";
    case read_failure::bad_selection: return "Bad selection for file " + path;
    case read_failure::nothing_selected: return "Selection matches nothing in file " + path;
    case read_failure::out_of_memory: return "Out of memory reading file " + path;
    }
    return "Error reading file " + path;
}

void fail_read(read_failure kind, const std::string &path, size_t max_atoms) {
    throw read_error(kind, path, read_failure_message(kind, path, max_atoms));
}

namespace {

// The model number a MODEL record starts: its serial number, or one more
// than the last model when it has none that reads.
bool is_model_record(const char *line, int *model) {
    const char *p = line;
    char record[8];
    if (!read_word(p, record, sizeof record) || std::strcmp(record, "MODEL") != 0) return false;
    int number;
    // Saturates: a MODEL line without a number after model INT_MAX must not overflow.
    *model = read_int(p, &number) ? number : *model < INT_MAX ? *model + 1 : INT_MAX;
    return true;
}

void warn(const read_options &options, const std::string &path, long line_number,
          const char *what) {
    if (options.on_warning)
        options.on_warning("Warning: " + path + ", line " + std::to_string(line_number) + ": " +
                           what);
}

// Line numbers count line ends. A NUL byte ends a line's text: the rest of
// that line is not read.
void read_pdb_text(gzFile file, size_t file_size, const std::string &path, const read_options &options,
                   structure *out) {
    text_source source(file, file_size);
    char line[LINE_SIZE];
    long line_number = 1;
    int model = 1;
    int format = FORMAT_UNDECIDED;
    bool ended;
    while (source.read_line_start(line, LINE_SIZE, &ended)) {
        if (format == FORMAT_UNDECIDED) {
            format = sniff_format(line);
            if (format == FORMAT_CIF) {
                read_ca_cif(source, line, options, out);
                return;
            }
        }
        ca_atom parsed;
        line_kind kind = parse_ca_line(line, &parsed);
        if (kind == line_kind::ca) {
            if (out->atoms.size() == options.max_atoms)
                fail_read(read_failure::too_many_atoms, path, options.max_atoms);
            parsed.model = model;
            out->atoms.push_back(std::move(parsed));
        } else if (kind == line_kind::ca_unreadable) {
            warn(options, path, line_number,
                 "C-alpha line without a readable residue number and coordinates, skipped");
        } else {
            is_model_record(line, &model);
        }
        if (!ended) {
            bool long_line = std::strlen(line) == LINE_SIZE - 1;
            if (source.skip_rest_of_line() && long_line)
                warn(options, path, line_number,
                     "line longer than 254 characters, the rest of it ignored");
        }
        ++line_number;
    }
    if (source.failed()) fail_read(read_failure::unreadable, path, options.max_atoms);
}

// Closes the file however reading ends.
struct gz_closer {
    gzFile file;
    ~gz_closer() { gzclose(file); }
};

}  // namespace

structure read_structure(const std::string &path, const read_options &options) {
    // A bad selection is refused before the file is opened. With a
    // selection, the atom limit applies to the atoms it keeps: one model of
    // a large ensemble fits where the whole does not.
    const bool selecting = !options.selection.empty();
    model_chain_selection selection;
    if (selecting) selection = parse_selection(options.selection, path);
    read_options reading = options;
    if (selecting) reading.max_atoms = static_cast<size_t>(-1);

    gzFile file = gzopen(path.c_str(), "r");
    if (file == nullptr) fail_read(read_failure::cannot_open, path, options.max_atoms);
    gz_closer closer{file};
    // zlib's buffers: 64 KB for speed on large files, less for small ones
    // (a buffer larger than the file only costs its allocation).
    struct stat status;
    const size_t file_size =
        stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0;
    gzbuffer(file, file_size > 0 && file_size < (1 << 16) ? std::max<unsigned>(8192, file_size) : 1 << 16);
    structure out;
    out.source = path;
    try {
        read_pdb_text(file, file_size, path, reading, &out);
    } catch (const std::bad_alloc &) {
        out = structure();
        fail_read(read_failure::out_of_memory, path, options.max_atoms);
    }
    if (selecting) {
        out = apply_selection(out, selection, options.selection);
        if (out.atoms.size() > options.max_atoms)
            fail_read(read_failure::too_many_atoms, path, options.max_atoms);
    } else if (out.atoms.empty() && options.on_warning) {
        options.on_warning("Warning: no C-alpha atom in file " + path +
                           " (ATOM records or mmCIF ATOM rows of atoms named CA): nothing to "
                           "compare");
    }
    return out;
}

}  // namespace pairfit
