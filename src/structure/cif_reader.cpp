#include "structure/cif_reader.h"

#include <gemmi/cif.hpp>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "structure/pdb_reader.h"
#include "structure/read_errors.h"
#include "structure/residue_names.h"
#include "structure/text_source.h"

namespace pairfit {

namespace cif = gemmi::cif;
namespace pegtl = tao::pegtl;

namespace {

// The _atom_site columns used.
enum column {
    COL_X,
    COL_Y,
    COL_Z,
    COL_ID,
    COL_GROUP,
    COL_AUTH_ATOM,
    COL_LABEL_ATOM,
    COL_AUTH_COMP,
    COL_LABEL_COMP,
    COL_AUTH_SEQ,
    COL_LABEL_SEQ,
    COL_ALT,
    COL_ENTITY,
    COL_AUTH_ASYM,
    COL_LABEL_ASYM,
    COL_INS_CODE,
    COL_MODEL,
    COLUMN_COUNT
};
const char *const COLUMN_TAGS[COLUMN_COUNT] = {"_atom_site.cartn_x",           "_atom_site.cartn_y",
                                               "_atom_site.cartn_z",           "_atom_site.id",
                                               "_atom_site.group_pdb",         "_atom_site.auth_atom_id",
                                               "_atom_site.label_atom_id",     "_atom_site.auth_comp_id",
                                               "_atom_site.label_comp_id",     "_atom_site.auth_seq_id",
                                               "_atom_site.label_seq_id",      "_atom_site.label_alt_id",
                                               "_atom_site.label_entity_id",   "_atom_site.auth_asym_id",
                                               "_atom_site.label_asym_id",     "_atom_site.pdbx_pdb_ins_code",
                                               "_atom_site.pdbx_pdb_model_num"};
// The _entity columns used.
enum { ENTITY_ID = COLUMN_COUNT, ENTITY_TYPE, TAG_COUNT };
const char *const ENTITY_TAGS[2] = {"_entity.id", "_entity.type"};

// Which of the tags above tag is (any letter case), or -1.
int tag_index(const std::string &tag) {
    std::string lower = gemmi::to_lower(tag);
    for (int i = 0; i < COLUMN_COUNT; ++i)
        if (lower == COLUMN_TAGS[i]) return i;
    for (int i = 0; i < 2; ++i)
        if (lower == ENTITY_TAGS[i]) return ENTITY_ID + i;
    return -1;
}

// One row of _atom_site: the raw value of each column used, nullptr for a
// column the table lacks or a null value ('?' or '.').
using site_row = std::array<const std::string *, COLUMN_COUNT>;

std::string text_of(const site_row &row, int preferred, int fallback) {
    const std::string *value = row[preferred] != nullptr ? row[preferred] : row[fallback];
    return value == nullptr ? std::string() : cif::as_string(*value);
}

// A whole value read as a decimal integer with optional sign; out-of-range
// values are clamped to the int range, as in PDB text.
bool parse_int(const std::string &s, int *value) {
    const char *p = s.c_str();
    return read_int(p, value) && *p == '\0';
}

// A decimal number: strtod alone would also take 0x10, inf or nan.
bool parse_double(const std::string &s, double *value) {
    if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
    char *end;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The residue name as the PDB reader gives it: the alternate-location
// letter glued in front, cut to the same length.
std::string residue_name(const site_row &row, const std::string &comp) {
    std::string name = row[COL_ALT] != nullptr ? cif::as_string(*row[COL_ALT]) + comp : comp;
    if (name.size() > MAX_NAME_LENGTH) name.resize(MAX_NAME_LENGTH);
    return name;
}

// A C-alpha row that may be an ATOM row, kept in file order until it is
// known whether it is one.
struct candidate_row {
    ca_atom atom;
    bool readable;      // serial, residue number and coordinates read
    bool decided;       // known to be an ATOM row; else its entity decides
    size_t row_number;  // from 1, in the _atom_site table
    std::string entity;
};

// Thrown by the parse actions when the block with the atoms has ended.
struct atoms_block_done {};

// What the parse keeps: the state of the current data block, and only the
// values that the atoms need.
class atom_scan {
public:
    atom_scan(const std::string &path, const read_options &options, structure *out)
        : path_(path), options_(options), out_(out) {}

    [[noreturn]] void unreadable() { fail_read(read_failure::unreadable, path_, options_.max_atoms); }

    // A data block starts; the block before it may have held the atoms.
    void block_start() {
        if (finish_block()) throw atoms_block_done();
        block_ = block_state();
    }
    void frame(bool inside) { in_frame_ = inside; }

    void pair_tag(const std::string &tag) {
        pair_index_ = in_frame_ ? -1 : tag_index(tag);
        if (pair_index_ >= 0) note_tag(pair_index_);
    }
    void pair_value(const std::string &value) {
        if (pair_index_ < 0) return;
        block_.pairs[pair_index_] = value;
        // One entity given as pairs.
        if ((pair_index_ == ENTITY_ID || pair_index_ == ENTITY_TYPE) && !block_.pairs[ENTITY_ID].empty() &&
            !block_.pairs[ENTITY_TYPE].empty()) {
            add_entity(block_.pairs[ENTITY_ID], block_.pairs[ENTITY_TYPE]);
            block_.entities_known = true;
        }
    }

    void loop_start() {
        loop_ = loop_state();
        loop_.ignored = in_frame_;
    }
    void loop_tag(const std::string &tag) {
        int index = loop_.ignored ? -1 : tag_index(tag);
        if (index >= 0) {
            note_tag(index);
            loop_.column_of[index] = static_cast<int>(loop_.tags);
        }
        ++loop_.tags;
    }
    void loop_value(const std::string &value) {
        if (loop_.values == 0) start_loop_rows();
        size_t col = loop_.values++ % loop_.tags;
        if (loop_.kind != loop_state::OTHER) {
            int slot = loop_.slot_of_column[col];
            if (slot >= 0) loop_.row[slot] = value;
            if (col + 1 == loop_.tags) end_loop_row();
        }
    }
    // False when the values do not fill whole rows.
    bool loop_end() {
        if (loop_.values == 0) start_loop_rows();
        if (loop_.column_of[ENTITY_ID] >= 0) block_.entities_known = true;
        return loop_.values % loop_.tags == 0;
    }

    // At the end of the input: false when no block held the atoms.
    bool end_of_input() { return finish_block(); }

private:
    struct block_state {
        std::array<std::string, TAG_COUNT> pairs;  // empty: not given as a pair
        std::array<bool, TAG_COUNT> seen{};        // tags met in this block
        bool atoms_in_loop = false;                // Cartn_x came in a loop
        bool entities_known = false;               // a whole _entity table was read
        bool any_polymer = false;
        std::unordered_set<std::string> hetero;  // entity ids written on HETATM lines
        std::vector<candidate_row> held;         // rows read before the entities
        size_t atom_rows = 0;
    };
    struct loop_state {
        enum { OTHER, ATOMS, ENTITY } kind = OTHER;
        bool ignored = false;  // inside a save frame
        size_t tags = 0, values = 0;
        std::array<int, TAG_COUNT> column_of;    // position of each tag used, -1: absent
        std::vector<int> slot_of_column;         // the reverse, for the tags used
        std::array<std::string, TAG_COUNT> row;  // values of the current row
        loop_state() { column_of.fill(-1); }
    };

    // A tag used twice in a block makes the file unreadable, as in any CIF.
    void note_tag(int index) {
        if (block_.seen[index]) unreadable();
        block_.seen[index] = true;
        if (index == COL_X) block_.atoms_in_loop = false;
    }

    void start_loop_rows() {
        if (loop_.column_of[COL_X] >= 0) {
            loop_.kind = loop_state::ATOMS;
            block_.atoms_in_loop = true;
            check_columns([&](int c) { return loop_.column_of[c] >= 0; });
        } else if (loop_.column_of[ENTITY_ID] >= 0) {
            // An _entity table without types declares nothing.
            if (loop_.column_of[ENTITY_TYPE] >= 0) loop_.kind = loop_state::ENTITY;
        }
        loop_.slot_of_column.assign(loop_.tags, -1);
        for (int i = 0; i < TAG_COUNT; ++i)
            if (loop_.column_of[i] >= 0) loop_.slot_of_column[loop_.column_of[i]] = i;
    }

    // The atom table must have the serial number, atom name, residue name,
    // residue number and coordinate columns.
    template <typename Has>
    void check_columns(Has has) {
        if (!has(COL_X) || !has(COL_Y) || !has(COL_Z) || !has(COL_ID)) unreadable();
        if (!has(COL_AUTH_ATOM) && !has(COL_LABEL_ATOM)) unreadable();
        if (!has(COL_AUTH_COMP) && !has(COL_LABEL_COMP)) unreadable();
        if (!has(COL_AUTH_SEQ) && !has(COL_LABEL_SEQ)) unreadable();
    }

    void end_loop_row() {
        if (loop_.kind == loop_state::ENTITY) {
            add_entity(loop_.row[ENTITY_ID], loop_.row[ENTITY_TYPE]);
            return;
        }
        site_row row;
        for (int c = 0; c < COLUMN_COUNT; ++c)
            row[c] = loop_.column_of[c] >= 0 && !cif::is_null(loop_.row[c]) ? &loop_.row[c] : nullptr;
        add_site_row(row);
    }

    void add_entity(const std::string &id, const std::string &type) {
        std::string kind = cif::as_string(type);
        if (kind == "polymer") block_.any_polymer = true;
        if (kind == "branched" || kind == "non-polymer" || kind == "water") {
            if (block_.hetero.size() == MAX_CIF_HELD_ROWS) unreadable();
            block_.hetero.insert(cif::as_string(id));
        }
    }

    // Whether the entity is one that PDB text writes on HETATM lines. When
    // no entity is declared a polymer, the table has not told polymer from
    // ligand at all (a converter reading PDB text without TER records may
    // make every residue an entity of its own), and residue names decide.
    bool is_hetero_entity(const std::string &entity) const {
        return block_.any_polymer && block_.hetero.count(entity) != 0;
    }

    // A row is an ATOM row when group_PDB says so where the row has it.
    // Without it, as in files that converters write from PDB text, the row
    // counts as ATOM when its residue is a standard residue in gemmi's
    // residue table (the 20 amino acids, SEC, PYL, UNK, ASX, GLX and the
    // standard nucleotides) and its entity is not declared branched,
    // non-polymer or water: the rule by which PDB text puts modified
    // residues such as selenomethionine, ligands and water on HETATM lines.
    void add_site_row(const site_row &row) {
        size_t row_number = ++block_.atom_rows;
        if (text_of(row, COL_AUTH_ATOM, COL_LABEL_ATOM) != "CA") return;
        std::string comp = text_of(row, COL_AUTH_COMP, COL_LABEL_COMP);
        candidate_row c;
        c.decided = true;
        if (row[COL_GROUP] != nullptr) {
            if (cif::as_string(*row[COL_GROUP]) != "ATOM") return;
        } else {
            if (!is_standard_residue(comp)) return;
            if (row[COL_ENTITY] != nullptr) {
                c.entity = cif::as_string(*row[COL_ENTITY]);
                if (block_.entities_known) {
                    if (is_hetero_entity(c.entity)) return;
                } else {
                    c.decided = false;
                }
            }
        }
        c.row_number = row_number;
        c.readable = read_atom(row, comp, &c.atom);
        if (c.decided && block_.held.empty()) {
            accept(c);
        } else {
            if (block_.held.size() == MAX_CIF_HELD_ROWS) unreadable();
            block_.held.push_back(std::move(c));
        }
    }

    bool read_atom(const site_row &row, const std::string &comp, ca_atom *a) {
        if (!parse_int(text_of(row, COL_ID, COL_ID), &a->serial) ||
            !parse_int(text_of(row, COL_AUTH_SEQ, COL_LABEL_SEQ), &a->residue_number) ||
            !parse_double(text_of(row, COL_X, COL_X), &a->x) ||
            !parse_double(text_of(row, COL_Y, COL_Y), &a->y) ||
            !parse_double(text_of(row, COL_Z, COL_Z), &a->z))
            return false;
        a->atom_name = "CA";
        a->residue_name = residue_name(row, comp);
        a->chain_id = text_of(row, COL_AUTH_ASYM, COL_LABEL_ASYM);
        std::string insertion = text_of(row, COL_INS_CODE, COL_INS_CODE);
        a->insertion_code = insertion.empty() ? ' ' : insertion[0];
        int model;
        if (parse_int(text_of(row, COL_MODEL, COL_MODEL), &model)) a->model = model;
        return true;
    }

    // Takes an ATOM row's atom, or warns that it does not read.
    void accept(candidate_row &c) {
        if (!c.readable) {
            if (options_.on_warning)
                options_.on_warning("Warning: " + path_ + ", _atom_site row " + std::to_string(c.row_number) +
                                    ": C-alpha atom without a readable serial number, residue "
                                    "number and coordinates, skipped");
            return;
        }
        if (out_->atoms.size() == options_.max_atoms)
            fail_read(read_failure::too_many_atoms, path_, options_.max_atoms);
        out_->atoms.push_back(std::move(c.atom));
    }

    // Completes the block that ends here: true when it held the atoms.
    bool finish_block() {
        if (!block_.seen[COL_X]) return false;
        if (!block_.atoms_in_loop) {
            // One atom, given as pairs.
            check_columns([&](int c) { return !block_.pairs[c].empty(); });
            site_row row;
            for (int c = 0; c < COLUMN_COUNT; ++c)
                row[c] =
                    !block_.pairs[c].empty() && !cif::is_null(block_.pairs[c]) ? &block_.pairs[c] : nullptr;
            add_site_row(row);
        }
        for (candidate_row &c : block_.held)
            if (c.decided || !is_hetero_entity(c.entity)) accept(c);
        block_.held.clear();
        return true;
    }

    const std::string &path_;
    const read_options &options_;
    structure *out_;
    bool in_frame_ = false;
    int pair_index_ = -1;
    block_state block_;
    loop_state loop_;
};

// The parse actions of gemmi's CIF grammar, feeding an atom_scan instead of
// building a document.
template <typename Rule>
struct scan_action : pegtl::nothing<Rule> {};

template <>
struct scan_action<cif::rules::datablockname> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.block_start();
    }
};
template <>
struct scan_action<cif::rules::str_global> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.block_start();
    }
};
template <>
struct scan_action<cif::rules::framename> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.frame(true);
    }
};
template <>
struct scan_action<cif::rules::endframe> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.frame(false);
    }
};
template <>
struct scan_action<cif::rules::item_tag> {
    template <typename Input>
    static void apply(const Input &in, atom_scan &scan) {
        scan.pair_tag(in.string());
    }
};
template <>
struct scan_action<cif::rules::item_value> {
    template <typename Input>
    static void apply(const Input &in, atom_scan &scan) {
        scan.pair_value(in.string());
    }
};
// A tag without a value.
template <>
struct scan_action<cif::rules::missing_value> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.unreadable();
    }
};
template <>
struct scan_action<cif::rules::str_loop> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        scan.loop_start();
    }
};
template <>
struct scan_action<cif::rules::loop_tag> {
    template <typename Input>
    static void apply(const Input &in, atom_scan &scan) {
        scan.loop_tag(in.string());
    }
};
template <>
struct scan_action<cif::rules::loop_value> {
    template <typename Input>
    static void apply(const Input &in, atom_scan &scan) {
        scan.loop_value(in.string());
    }
};
template <>
struct scan_action<cif::rules::loop> {
    template <typename Input>
    static void apply(const Input &, atom_scan &scan) {
        if (!scan.loop_end()) scan.unreadable();
    }
};

// Feeds the parser: first the text the format check took, then the rest of
// the source. A read error or corrupt compressed data ends the parse.
struct source_reader {
    text_source *source;
    const char *head;
    size_t head_left;
    const std::string *path;
    size_t max_atoms;
    size_t operator()(char *buffer, size_t length) {
        if (head_left > 0) {
            size_t n = head_left < length ? head_left : length;
            std::memcpy(buffer, head, n);
            head += n;
            head_left -= n;
            return n;
        }
        size_t n = source->read_raw(buffer, length);
        if (n == 0 && source->failed()) fail_read(read_failure::unreadable, *path, max_atoms);
        return n;
    }
};

}  // namespace

void read_ca_cif(text_source &source, const char *head, const read_options &options, structure *out) {
    const std::string &path = out->source;
    out->atoms.clear();
    atom_scan scan(path, options, out);
    bool found;
    try {
        // The parser keeps only the text since the last value it passed.
        pegtl::buffer_input<source_reader, pegtl::eol::lf_crlf, std::string, 4096> in(
            path, source.text_bound(MAX_CIF_TOKEN_BYTES),
            source_reader{&source, head, std::strlen(head), &path, options.max_atoms});
        pegtl::parse<cif::rules::file, scan_action, cif::Errors>(in, scan);
        found = scan.end_of_input();
    } catch (const atoms_block_done &) {
        found = true;
    } catch (const read_error &) {
        throw;
    } catch (const std::bad_alloc &) {
        fail_read(read_failure::out_of_memory, path, options.max_atoms);
    } catch (...) {
        // A parse error, a value beyond the buffer, a failed allocation.
        fail_read(read_failure::unreadable, path, options.max_atoms);
    }
    if (!found) fail_read(read_failure::unreadable, path, options.max_atoms);
}

}  // namespace pairfit
