// gemmi's writers are compiled here, once for the whole program, with the
// C library's snprintf for numbers (Debian ships gemmi without the
// formatter it bundles).
#define GEMMI_WRITE_IMPLEMENTATION
#define USE_STD_SNPRINTF
#include "report/superposed_file.h"

#include <zlib.h>

#include <cctype>
#include <cstring>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include <gemmi/mmread.hpp>
#include <gemmi/polyheur.hpp>
#include <gemmi/select.hpp>
#include <gemmi/to_cif.hpp>
#include <gemmi/to_mmcif.hpp>
#include <gemmi/to_pdb.hpp>

namespace pairfit {

namespace {

// More text than this, once comments and later data blocks are dropped,
// is refused: the coordinate file is read again whole, so memory must stay
// bounded whatever the file holds.
constexpr std::size_t MAX_TEXT_READ_AGAIN = std::size_t(1) << 30;

// The text of a plain or gzip file as gemmi needs it, read in chunks:
// comment lines outside mmCIF text fields are dropped, and reading stops at
// a second data block (only the first one is used) or after a PDB END
// record (where gemmi stops). So a file padded with gigabytes of comment
// costs no more memory than its atoms.
class text_filter {
public:
    explicit text_filter(const std::string &path) : path_(path) {}

    // Takes the next piece of the file; false once the rest is not needed.
    bool add(const char *data, std::size_t size) {
        for (std::size_t at = 0; at < size && !done_;) {
            const char *newline = static_cast<const char *>(std::memchr(data + at, '\n', size - at));
            std::size_t end = newline != nullptr ? static_cast<std::size_t>(newline - data) + 1 : size;
            if (!dropping_) {
                line_.append(data + at, end - at);
                if (text_.size() + line_.size() > MAX_TEXT_READ_AGAIN) too_large();
                dropping_ = is_comment();
            }
            if (newline != nullptr) end_line();
            at = end;
        }
        return !done_;
    }

    // The text kept, the last line included.
    std::string finish() {
        if (!done_ && !line_.empty()) end_line();
        return std::move(text_);
    }

private:
    [[noreturn]] void too_large() const {
        throw error("Error reading file " + path_ + ": more than " +
                    std::to_string(MAX_TEXT_READ_AGAIN >> 20) + " MB of coordinate text");
    }

    std::size_t first_text() const { return line_.find_first_not_of(" \t\r"); }

    bool starts_with(const char *word) const {
        std::size_t at = first_text();
        for (std::size_t i = 0; word[i] != '\0'; ++i, ++at)
            if (at >= line_.size() ||
                std::tolower(static_cast<unsigned char>(line_[at])) != static_cast<unsigned char>(word[i]))
                return false;
        return true;
    }

    bool is_comment() const {
        std::size_t at = first_text();
        return !in_text_field_ && at != std::string::npos && line_[at] == '#';
    }

    void end_line() {
        if (!dropping_) keep_line();
        dropping_ = false;
        line_.clear();
    }

    void keep_line() {
        if (mmcif_ && line_[0] == ';') in_text_field_ = !in_text_field_;
        if (!in_text_field_ && line_[0] != ';' && starts_with("data_")) {
            if (seen_block_) {
                done_ = true;
                return;
            }
            seen_block_ = true;
            if (!format_known_) mmcif_ = true;
        }
        if (first_text() != std::string::npos) format_known_ = true;
        text_ += line_;
        std::size_t end = line_.find_first_of(" \t\r\n");
        if (!mmcif_ && format_known_ && line_.compare(0, end, "END") == 0) done_ = true;
    }

    std::string path_, text_, line_;
    bool dropping_ = false, in_text_field_ = false, seen_block_ = false;
    bool format_known_ = false, mmcif_ = false, done_ = false;
};

// The text of the file (see text_filter). Throws error when it cannot be read.
std::string file_text(const std::string &path) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) throw error("Error reading file " + path);
    struct closer {
        gzFile file;
        ~closer() { gzclose(file); }
    } close_at_end{in};
    text_filter filter(path);
    std::vector<char> buffer(1 << 16);
    int n;
    while ((n = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        if (!filter.add(buffer.data(), static_cast<std::size_t>(n))) return filter.finish();
    if (n < 0) throw error("Error reading file " + path);
    return filter.finish();
}

// pairfit's rule: mmCIF when the first line that is neither blank nor a
// comment begins with "data_" (after blanks, any letter case).
bool looks_like_mmcif(const std::string &text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::size_t at = line.find_first_not_of(" \t\r");
        if (at == std::string::npos || line[at] == '#') continue;
        std::string head = line.substr(at, 5);
        for (char &c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return head == "data_";
    }
    return false;
}

gemmi::Structure read_all_atoms(const std::string &path) {
    std::string text = file_text(path);
    try {
        if (looks_like_mmcif(text))
            return gemmi::make_structure_from_doc(
                gemmi::cif::read_memory(text.data(), text.size(), path.c_str()), false);
        try {
            return gemmi::read_pdb_from_memory(text.data(), text.size(), path);
        } catch (const std::exception &) {
            // Old entries keep an identifier in columns 73-80, where later
            // ones have the segment, element and charge: read those without.
            gemmi::PdbReadOptions first_72_columns;
            first_72_columns.max_line_length = 72;
            return gemmi::read_pdb_from_memory(text.data(), text.size(), path, first_72_columns);
        }
    } catch (const std::exception &) {
        throw error("Error reading file " + path);
    }
}

// A residue as pairfit's reader names it: model, chain, number, insertion code.
using residue_key = std::tuple<int, std::string, int, char>;

residue_key key_of(const ca_atom &a) {
    return {a.model, a.chain_id, a.residue_number, a.insertion_code};
}

// Sets every atom's B-factor to 1 when its residue is in keys, else 0.
void mark_subset(gemmi::Model &model, int model_number, const std::set<residue_key> &keys) {
    for (gemmi::Chain &chain : model.chains)
        for (gemmi::Residue &res : chain.residues) {
            char icode = res.seqid.icode == '\0' ? ' ' : res.seqid.icode;
            bool in = keys.count({model_number, chain.name, *res.seqid.num, icode}) > 0;
            for (gemmi::Atom &atom : res.atoms) atom.b_iso = in ? 1.0f : 0.0f;
        }
}

void move_atoms(gemmi::Model &model, const rigid_transform &t) {
    for (gemmi::Chain &chain : model.chains)
        for (gemmi::Residue &res : chain.residues)
            for (gemmi::Atom &atom : res.atoms) {
                std::array<double, 3> p = t.apply({{atom.pos.x, atom.pos.y, atom.pos.z}});
                atom.pos = gemmi::Position(p[0], p[1], p[2]);
            }
}

bool has_atoms(const gemmi::Structure &st) {
    for (const gemmi::Model &model : st.models)
        for (const gemmi::Chain &chain : model.chains)
            for (const gemmi::Residue &res : chain.residues)
                if (!res.atoms.empty()) return true;
    return false;
}

// Every atom of the file that s was read from, narrowed to the models and
// chains of its selection, if it has one.
// A structure whose C-alpha atoms were compared must come back with atoms:
// an empty one would pass for a superposition of nothing.
gemmi::Structure read_selected_atoms(const structure &s) {
    gemmi::Structure st = read_all_atoms(s.source);
    if (!s.selection.empty()) gemmi::Selection(s.selection).remove_not_selected(st);
    if (!s.atoms.empty() && !has_atoms(st))
        throw error("no atoms when file " + s.source +
                    " is read again (a pipe can be read only once; an mmCIF _atom_site table "
                    "may lack columns that gemmi needs)");
    return st;
}

// The model number pairfit's reader gives the atoms of a gemmi model: the
// number in its name, 1 for a file without models.
int model_number(const gemmi::Model &model) {
    try {
        return std::stoi(model.name);
    } catch (const std::exception &) {
        return 1;
    }
}

}  // namespace

coordinate_format format_for_path(const std::string &path) {
    if (path.size() < 4) return coordinate_format::pdb;
    std::string tail = path.substr(path.size() - 4);
    for (char &c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".cif" ? coordinate_format::mmcif : coordinate_format::pdb;
}

std::string superposed_file_text(const structure &first, const structure &second, const pairing &pairs,
                                 const result &r, coordinate_format format) {
    std::set<residue_key> subset1, subset2;
    for (std::size_t k = 0; k < pairs.size(); ++k)
        if (r.in_subset[k]) {
            subset1.insert(key_of(first.atoms[pairs.first[k]]));
            subset2.insert(key_of(second.atoms[pairs.second[k]]));
        }
    gemmi::Structure out = read_selected_atoms(first);
    gemmi::Structure moved = read_selected_atoms(second);
    for (gemmi::Model &model : out.models) mark_subset(model, model_number(model), subset1);
    for (gemmi::Model &model : moved.models) {
        mark_subset(model, model_number(model), subset2);
        move_atoms(model, r.transform);
    }
    int number = 0;
    for (gemmi::Model &model : out.models) model.name = std::to_string(++number);
    for (gemmi::Model &model : moved.models) {
        model.name = std::to_string(++number);
        out.models.push_back(std::move(model));
    }
    // The two inputs' entities and chain bookkeeping do not fit together:
    // let gemmi derive them again from the atoms.
    out.name = "superposed";
    out.entities.clear();
    out.connections.clear();
    out.helices.clear();
    out.sheets.clear();
    for (gemmi::Model &model : out.models)
        for (gemmi::Chain &chain : model.chains)
            for (gemmi::Residue &res : chain.residues) {
                res.subchain.clear();
                res.entity_type = gemmi::EntityType::Unknown;
            }
    gemmi::setup_entities(out);

    std::ostringstream text;
    try {
        if (format == coordinate_format::mmcif) {
            // group_PDB keeps HETATM rows apart from ATOM rows, as the PDB format does.
            gemmi::MmcifOutputGroups groups(true);
            groups.group_pdb = true;
            gemmi::cif::write_cif_to_stream(text, gemmi::make_mmcif_document(out, groups));
        } else
            gemmi::write_pdb(out, text);
    } catch (const std::exception &e) {
        throw error(e.what());
    }
    return text.str();
}

}  // namespace pairfit
