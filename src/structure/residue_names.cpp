#include "structure/residue_names.h"

#include <gemmi/resinfo.hpp>

#include <cctype>

namespace pairfit {

std::string plain_residue_name(const std::string &name) {
    if (name.size() < 2 || gemmi::find_tabulated_residue(name).found()) return name;
    std::string rest = name.substr(1);
    return gemmi::find_tabulated_residue(rest).found() ? rest : name;
}

char one_letter_code(const std::string &name) {
    const gemmi::ResidueInfo info = gemmi::find_tabulated_residue(plain_residue_name(name));
    if (!info.is_amino_acid() || info.one_letter_code == ' ') return 'X';
    return static_cast<char>(std::toupper(static_cast<unsigned char>(info.one_letter_code)));
}

}  // namespace pairfit
