#include "structure/residue_names.h"

#include <gemmi/resinfo.hpp>

#include <cctype>

namespace pairfit {

namespace {

// gemmi's table entry for name. The table holds names of plain ASCII
// only, and its lookup shifts the bytes of a name as signed chars: a name
// with a byte above 127 (from a damaged or hostile file) is unknown without
// a lookup.
gemmi::ResidueInfo tabulated_residue(const std::string &name) {
    for (unsigned char c : name)
        if (c > 127) return gemmi::find_tabulated_residue(std::string());
    return gemmi::find_tabulated_residue(name);
}

}  // namespace

std::string plain_residue_name(const std::string &name) {
    if (name.size() < 2 || tabulated_residue(name).found()) return name;
    std::string rest = name.substr(1);
    return tabulated_residue(rest).found() ? rest : name;
}

bool is_standard_residue(const std::string &name) {
    return tabulated_residue(name).is_standard();
}

char one_letter_code(const std::string &name) {
    const gemmi::ResidueInfo info = tabulated_residue(plain_residue_name(name));
    if (!info.is_amino_acid() || info.one_letter_code == ' ') return 'X';
    return static_cast<char>(std::toupper(static_cast<unsigned char>(info.one_letter_code)));
}

}  // namespace pairfit
