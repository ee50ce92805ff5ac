#include "pairfit/pairing.h"

#include "pairfit/selection.h"
#include "structure/residue_names.h"

namespace pairfit {

void pair_by_residue_number(const structure &first, const structure &second, pairing &pairs) {
    // One forward walk: while the residue number of structure 1 is smaller,
    // its atom is dropped; then while it is larger, structure 2's atom is
    // dropped; whatever stands then is a pair, equal numbers or not. The walk
    // never goes back, and what is left of the longer side at the end is dropped.
    const std::vector<ca_atom> &a = first.atoms, &b = second.atoms;
    pairs.first.clear();
    pairs.second.clear();
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        while (i < a.size() && a[i].residue_number < b[j].residue_number) ++i;
        while (i < a.size() && j < b.size() && a[i].residue_number > b[j].residue_number) ++j;
        if (i == a.size() || j == b.size()) break;
        pairs.first.push_back(static_cast<int>(i++));
        pairs.second.push_back(static_cast<int>(j++));
    }
}

pairing pair_by_residue_number(const structure &first, const structure &second) {
    pairing pairs;
    pair_by_residue_number(first, second, pairs);
    return pairs;
}

pairing pair_residues(const structure &first, const structure &second, pairing_method method) {
    switch (method) {
    case pairing_method::sequence:
        return pair_by_sequence(first, second);
    case pairing_method::structure:
        return pair_by_structure(first, second);
    case pairing_method::alignment:
        throw error("pair_residues: pairing by a given alignment needs pair_by_alignment");
    default:
        return pair_by_residue_number(first, second);
    }
}

namespace {

std::string residue_label(const ca_atom &a) {
    std::string label = plain_residue_name(a.residue_name) + " " + std::to_string(a.residue_number);
    if (a.insertion_code != ' ') label += a.insertion_code;
    return label;
}

}  // namespace

std::string residue_name_warning(const structure &first, const structure &second, const pairing &pairs) {
    const size_t shown = 5;
    size_t mismatches = 0;
    std::string examples;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const ca_atom &a = first.atoms[pairs.first[k]], &b = second.atoms[pairs.second[k]];
        if (plain_residue_name(a.residue_name) == plain_residue_name(b.residue_name)) continue;
        if (++mismatches <= shown)
            examples += (mismatches > 1 ? ", " : "") + residue_label(a) + " with " + residue_label(b);
    }
    if (mismatches < 3 || mismatches * 10 <= pairs.size()) return std::string();
    return "Warning: " + std::to_string(mismatches) + " of " + std::to_string(pairs.size()) +
           " pairs join residues of different names in " + display_name(first) + " and " +
           display_name(second) + " (" + examples + (mismatches > shown ? ", ..." : "") + ")";
}

}  // namespace pairfit
