#include "named_structure.h"

#include <cstdio>

pairfit::structure read_named_structure(const std::string &name, std::size_t max_atoms) {
    const pairfit::structure_name parts = pairfit::parse_structure_name(name);
    pairfit::read_options options;
    options.max_atoms = max_atoms;
    options.selection = parts.selection;
    options.on_warning = [](const std::string &message) {
        std::fprintf(stderr, "%s\n", message.c_str());
    };
    return pairfit::read_structure(parts.path, options);
}

bool is_selection_error(const pairfit::read_error &e) {
    return e.kind() == pairfit::read_failure::bad_selection ||
           e.kind() == pairfit::read_failure::nothing_selected;
}

std::string pairing_warning(const pairfit::structure &first, const pairfit::structure &second,
                            const pairfit::pairing &pairs, pairfit::pairing_method method) {
    std::string warning = pairfit::residue_name_warning(first, second, pairs);
    if (warning.empty()) return warning;
    if (method == pairfit::pairing_method::residue_number)
        return warning + "; residues are paired by number: -seq pairs them by sequence, and "
                         "FILE@//A compares chain A alone";
    return warning + "; residues are paired by sequence: are these the chains meant? "
                     "FILE@//A compares chain A alone";
}
