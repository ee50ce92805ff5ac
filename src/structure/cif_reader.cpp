#include "structure/cif_reader.h"

#include <gemmi/cif.hpp>
#include <gemmi/resinfo.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "structure/reader.h"

namespace pairfit {

namespace cif = gemmi::cif;

namespace {

// The _atom_site columns used, in the order given to Block::find.
enum column {
    COL_X, COL_Y, COL_Z, COL_ID,
    COL_GROUP, COL_AUTH_ATOM, COL_LABEL_ATOM, COL_AUTH_COMP, COL_LABEL_COMP,
    COL_AUTH_SEQ, COL_LABEL_SEQ, COL_ALT, COL_ENTITY,
    COL_AUTH_ASYM, COL_LABEL_ASYM, COL_INS_CODE, COL_MODEL,
};

// The whole uncompressed text after head, appended to text. False on a
// read error or corrupt compressed data.
bool read_rest(gzFile file, std::string *text) {
    char buffer[1 << 14];
    int n;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0) text->append(buffer, n);
    int error;
    gzerror(file, &error);
    return n == 0 && error == Z_OK;
}

// The value of column col in row, without quotes; nullptr when the table
// lacks the column or the value is null ('?' or '.').
const std::string *cell(cif::Table::Row &row, int col) {
    if (!row.has(col)) return nullptr;
    const std::string &value = row[col];
    return cif::is_null(value) ? nullptr : &value;
}

std::string text_of(cif::Table::Row &row, int preferred, int fallback) {
    const std::string *value = cell(row, preferred);
    if (value == nullptr) value = cell(row, fallback);
    return value == nullptr ? std::string() : cif::as_string(*value);
}

// A whole value read as a decimal integer with optional sign; out-of-range
// values are clamped to the int range, as in PDB text.
bool parse_int(const std::string &s, int *value) {
    const char *p = s.c_str();
    return read_int(p, value) && *p == '\0';
}

bool parse_double(const std::string &s, double *value) {
    if (s.empty()) return false;
    char *end;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The entities that PDB text writes on HETATM lines: those declared
// branched, non-polymer or water. Empty when no entity is declared a
// polymer: such a table has not told polymer from ligand at all (a converter
// reading PDB text without TER records may make every residue an entity of
// its own), and the residue names alone decide.
std::unordered_set<std::string> hetero_entities(cif::Block &block) {
    std::unordered_set<std::string> ids;
    bool any_polymer = false;
    cif::Table entities = block.find("_entity.", {"id", "type"});
    for (size_t i = 0; i < entities.length(); ++i) {
        cif::Table::Row row = entities[i];
        std::string type = row.str(1);
        if (type == "polymer") any_polymer = true;
        if (type == "branched" || type == "non-polymer" || type == "water") ids.insert(row.str(0));
    }
    if (!any_polymer) ids.clear();
    return ids;
}

// Whether a row is an ATOM row. group_PDB decides when the row has it.
// Without it, as in files that converters write from PDB text, the row
// counts as ATOM when its entity is not one of the hetero entities above
// and its residue is a standard residue in gemmi's residue table (the 20
// amino acids, SEC, PYL, UNK, ASX, GLX and the standard nucleotides): the
// rule by which PDB text puts modified residues such as selenomethionine,
// ligands and water on HETATM lines.
bool is_atom_row(cif::Table::Row &row, const std::string &comp,
                 const std::unordered_set<std::string> &hetero) {
    if (const std::string *group = cell(row, COL_GROUP)) return cif::as_string(*group) == "ATOM";
    if (const std::string *entity = cell(row, COL_ENTITY))
        if (hetero.count(cif::as_string(*entity)) != 0) return false;
    return gemmi::find_tabulated_residue(comp).is_standard();
}

// The residue name as the PDB reader gives it: the alternate-location
// letter glued in front, cut to the same length.
std::string residue_name(cif::Table::Row &row, const std::string &comp) {
    const std::string *alt = cell(row, COL_ALT);
    std::string name = alt != nullptr ? cif::as_string(*alt) + comp : comp;
    if (name.size() > MAX_NAME_LENGTH) name.resize(MAX_NAME_LENGTH);
    return name;
}

void read_atoms(cif::Block &block, const std::string &path, const read_options &options,
                structure *out) {
    cif::Table sites = block.find("_atom_site.",
                                  {"Cartn_x", "Cartn_y", "Cartn_z", "id", "?group_PDB",
                                   "?auth_atom_id", "?label_atom_id", "?auth_comp_id",
                                   "?label_comp_id", "?auth_seq_id", "?label_seq_id",
                                   "?label_alt_id", "?label_entity_id", "?auth_asym_id",
                                   "?label_asym_id", "?pdbx_PDB_ins_code",
                                   "?pdbx_PDB_model_num"});
    auto unreadable = [&] { fail_read(read_failure::unreadable, path, options.max_atoms); };
    if (!sites.ok()) unreadable();
    if (!sites.has_column(COL_AUTH_ATOM) && !sites.has_column(COL_LABEL_ATOM)) unreadable();
    if (!sites.has_column(COL_AUTH_COMP) && !sites.has_column(COL_LABEL_COMP)) unreadable();
    if (!sites.has_column(COL_AUTH_SEQ) && !sites.has_column(COL_LABEL_SEQ)) unreadable();
    const std::unordered_set<std::string> hetero = hetero_entities(block);

    for (size_t i = 0; i < sites.length(); ++i) {
        cif::Table::Row row = sites[i];
        if (text_of(row, COL_AUTH_ATOM, COL_LABEL_ATOM) != "CA") continue;
        std::string comp = text_of(row, COL_AUTH_COMP, COL_LABEL_COMP);
        if (!is_atom_row(row, comp, hetero)) continue;

        ca_atom parsed;
        if (!parse_int(text_of(row, COL_ID, COL_ID), &parsed.serial) ||
            !parse_int(text_of(row, COL_AUTH_SEQ, COL_LABEL_SEQ), &parsed.residue_number) ||
            !parse_double(text_of(row, COL_X, COL_X), &parsed.x) ||
            !parse_double(text_of(row, COL_Y, COL_Y), &parsed.y) ||
            !parse_double(text_of(row, COL_Z, COL_Z), &parsed.z)) {
            if (options.on_warning)
                options.on_warning("Warning: " + path + ", _atom_site row " +
                                   std::to_string(i + 1) +
                                   ": C-alpha atom without a readable serial number, residue "
                                   "number and coordinates, skipped");
            continue;
        }
        if (out->atoms.size() == options.max_atoms)
            fail_read(read_failure::too_many_atoms, path, options.max_atoms);
        parsed.atom_name = "CA";
        parsed.residue_name = residue_name(row, comp);
        parsed.chain_id = text_of(row, COL_AUTH_ASYM, COL_LABEL_ASYM);
        std::string insertion = text_of(row, COL_INS_CODE, COL_INS_CODE);
        parsed.insertion_code = insertion.empty() ? ' ' : insertion[0];
        int model;
        if (parse_int(text_of(row, COL_MODEL, COL_MODEL), &model)) parsed.model = model;
        out->atoms.push_back(std::move(parsed));
    }
}

}  // namespace

void read_ca_cif(gzFile file, const char *head, const read_options &options, structure *out) {
    const std::string &path = out->source;
    out->atoms.clear();
    cif::Document doc;
    try {
        std::string text(head);
        if (!read_rest(file, &text)) fail_read(read_failure::unreadable, path, options.max_atoms);
        doc = cif::read_memory(text.data(), text.size(), path.c_str());
    } catch (const read_error &) {
        throw;
    } catch (...) {
        // gemmi reports a parse error (or a failed allocation) by exception.
        fail_read(read_failure::unreadable, path, options.max_atoms);
    }
    for (cif::Block &block : doc.blocks) {
        if (block.find_values("_atom_site.Cartn_x").item() != nullptr) {
            try {
                read_atoms(block, path, options, out);
            } catch (const read_error &) {
                throw;
            } catch (...) {
                fail_read(read_failure::unreadable, path, options.max_atoms);
            }
            return;
        }
    }
    fail_read(read_failure::unreadable, path, options.max_atoms);
}

}  // namespace pairfit
