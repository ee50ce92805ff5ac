#include "pairfit/pairing.h"

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

}  // namespace pairfit
