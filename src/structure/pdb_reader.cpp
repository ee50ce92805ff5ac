#include "structure/pdb_reader.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "structure/read_errors.h"
#include "structure/text_source.h"

namespace pairfit {

namespace {

bool is_space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

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
    return column_int(line, length, 22, 4, &a->residue_number) && column_double(line, length, 30, 8, &a->x) &&
           column_double(line, length, 38, 8, &a->y) && column_double(line, length, 46, 8, &a->z);
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
    if (!read_word(p, record, sizeof record) || std::strcmp(record, "ATOM") != 0) return line_kind::other;
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

void warn(const read_options &options, const std::string &path, long line_number, const char *what) {
    if (options.on_warning)
        options.on_warning("Warning: " + path + ", line " + std::to_string(line_number) + ": " + what);
}

}  // namespace

pdb_reader::pdb_reader(text_source &source, const std::string &path, const read_options &options,
                       structure *out)
    : source_(source), path_(path), options_(options), out_(out) {}

void pdb_reader::take_line(const char *line, bool ended) {
    ca_atom parsed;
    line_kind kind = parse_ca_line(line, &parsed);
    if (kind == line_kind::ca) {
        if (out_->atoms.size() == options_.max_atoms)
            fail_read(read_failure::too_many_atoms, path_, options_.max_atoms);
        parsed.model = model_;
        out_->atoms.push_back(std::move(parsed));
    } else if (kind == line_kind::ca_unreadable) {
        warn(options_, path_, line_number_,
             "C-alpha line without a readable residue number and coordinates, skipped");
    } else {
        is_model_record(line, &model_);
    }
    if (!ended) {
        bool long_line = std::strlen(line) == LINE_SIZE - 1;
        if (source_.skip_rest_of_line() && long_line)
            warn(options_, path_, line_number_, "line longer than 254 characters, the rest of it ignored");
    }
    ++line_number_;
}

void pdb_reader::finish() {
    if (source_.failed()) fail_read(read_failure::unreadable, path_, options_.max_atoms);
}

}  // namespace pairfit
