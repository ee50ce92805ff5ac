// gemmi's writers are compiled here, once for the whole program, with the
// C library's snprintf for numbers (Debian ships gemmi without the
// formatter it bundles).
#define GEMMI_WRITE_IMPLEMENTATION
#define USE_STD_SNPRINTF
#include "report/superposed_file.h"

#include <zlib.h>

#include <cctype>
#include <set>
#include <sstream>
#include <tuple>

#include <gemmi/mmread.hpp>
#include <gemmi/polyheur.hpp>
#include <gemmi/select.hpp>
#include <gemmi/to_cif.hpp>
#include <gemmi/to_mmcif.hpp>
#include <gemmi/to_pdb.hpp>

namespace pairfit {

namespace {

// The whole file, decompressed if it is gzip (zlib reads plain files as
// they are). Throws error when it cannot be read.
std::string file_bytes(const std::string &path) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) throw error("Error reading file " + path);
    std::string bytes;
    char buffer[1 << 16];
    int n;
    while ((n = gzread(in, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    bool failed = n < 0;
    gzclose(in);
    if (failed) throw error("Error reading file " + path);
    return bytes;
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
    std::string text = file_bytes(path);
    try {
        if (looks_like_mmcif(text))
            return gemmi::make_structure_from_doc(gemmi::cif::read_memory(text.data(), text.size(), path.c_str()),
                                                  false);
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

residue_key key_of(const ca_atom &a) { return {a.model, a.chain_id, a.residue_number, a.insertion_code}; }

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

// The model number pairfit's reader gives the atoms of a gemmi model: the
// number in its name, 1 for a file without models.
// Every atom of the file that s was read from, narrowed to the models and
// chains of its selection, if it has one.
gemmi::Structure read_selected_atoms(const structure &s) {
    gemmi::Structure st = read_all_atoms(s.source);
    if (!s.selection.empty()) gemmi::Selection(s.selection).remove_not_selected(st);
    return st;
}

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
        if (format == coordinate_format::mmcif)
            gemmi::cif::write_cif_to_stream(text, gemmi::make_mmcif_document(out));
        else
            gemmi::write_pdb(out, text);
    } catch (const std::exception &e) {
        throw error(e.what());
    }
    return text.str();
}

}  // namespace pairfit
