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

namespace cif = gemmi::cif;

namespace {

// The _atom_site columns used, in the order given to Block::find.
enum column {
    COL_X, COL_Y, COL_Z, COL_ID,
    COL_GROUP, COL_AUTH_ATOM, COL_LABEL_ATOM, COL_AUTH_COMP, COL_LABEL_COMP,
    COL_AUTH_SEQ, COL_LABEL_SEQ, COL_ALT, COL_ENTITY,
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

void copy_name(char *out, const std::string &name) {
    size_t n = name.size() < NAME_SIZE - 1 ? name.size() : NAME_SIZE - 1;
    std::memcpy(out, name.data(), n);
    out[n] = '\0';
}

int read_atoms(cif::Block &block, molecule *mol) {
    cif::Table sites = block.find("_atom_site.",
                                  {"Cartn_x", "Cartn_y", "Cartn_z", "id", "?group_PDB",
                                   "?auth_atom_id", "?label_atom_id", "?auth_comp_id",
                                   "?label_comp_id", "?auth_seq_id", "?label_seq_id",
                                   "?label_alt_id", "?label_entity_id"});
    if (!sites.ok()) return READ_ERROR;
    if (!sites.has_column(COL_AUTH_ATOM) && !sites.has_column(COL_LABEL_ATOM)) return READ_ERROR;
    if (!sites.has_column(COL_AUTH_COMP) && !sites.has_column(COL_LABEL_COMP)) return READ_ERROR;
    if (!sites.has_column(COL_AUTH_SEQ) && !sites.has_column(COL_LABEL_SEQ)) return READ_ERROR;
    const std::unordered_set<std::string> hetero = hetero_entities(block);

    int count = 0;
    for (size_t i = 0; i < sites.length(); ++i) {
        cif::Table::Row row = sites[i];
        if (text_of(row, COL_AUTH_ATOM, COL_LABEL_ATOM) != "CA") continue;
        std::string comp = text_of(row, COL_AUTH_COMP, COL_LABEL_COMP);
        if (!is_atom_row(row, comp, hetero)) continue;

        atom parsed;
        const std::string *alt = cell(row, COL_ALT);
        if (!parse_int(text_of(row, COL_ID, COL_ID), &parsed.number) ||
            !parse_int(text_of(row, COL_AUTH_SEQ, COL_LABEL_SEQ), &parsed.resnum) ||
            !parse_double(text_of(row, COL_X, COL_X), &parsed.x) ||
            !parse_double(text_of(row, COL_Y, COL_Y), &parsed.y) ||
            !parse_double(text_of(row, COL_Z, COL_Z), &parsed.z)) {
            std::fprintf(stderr,
                         "Warning: %s, _atom_site row %zu: C-alpha atom without a readable serial "
                         "number, residue number and coordinates, skipped\n",
                         mol->filename, i + 1);
            continue;
        }
        if (count == MAX_ATOMS) return READ_TOO_MANY_ATOMS;
        atom *a = &mol->atoms[count++];
        a->x = parsed.x;
        a->y = parsed.y;
        a->z = parsed.z;
        copy_name(a->resname, alt != nullptr ? cif::as_string(*alt) + comp : comp);
        copy_name(a->name, "CA");
        a->number = parsed.number;
        a->resnum = parsed.resnum;
        a->sqdev = 0.0;
        a->selected = 1;
    }
    mol->natoms = count;
    return READ_OK;
}

}  // namespace

int read_ca_cif(gzFile file, const char *head, molecule *mol) {
    mol->natoms = 0;
    int status = READ_ERROR;
    try {
        std::string text(head);
        if (read_rest(file, &text)) {
            cif::Document doc = cif::read_memory(text.data(), text.size(), mol->filename);
            for (cif::Block &block : doc.blocks) {
                if (block.find_values("_atom_site.Cartn_x").item() != nullptr) {
                    status = read_atoms(block, mol);
                    break;
                }
            }
        }
    } catch (...) {
        status = READ_ERROR;
    }
    if (status != READ_OK) mol->natoms = 0;
    return status;
}
