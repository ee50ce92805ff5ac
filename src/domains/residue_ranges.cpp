#include <string>

#include "pairfit/domains.h"

namespace pairfit {

namespace {

std::string residue_number(const ca_atom &a) {
    std::string text = std::to_string(a.residue_number);
    if (a.insertion_code != ' ') text += a.insertion_code;
    return text;
}

bool same_chain(const ca_atom &a, const ca_atom &b) {
    return a.model == b.model && a.chain_id == b.chain_id;
}

bool several_models(const structure &s) {
    for (const ca_atom &a : s.atoms)
        if (a.model != s.atoms.front().model) return true;
    return false;
}

}  // namespace

std::string residue_label(const structure &first, int atom) {
    const ca_atom &a = first.atoms[atom];
    return a.chain_id + ":" + residue_number(a);
}

std::string residue_ranges(const structure &first, const pairing &pairs,
                           const std::vector<int> &pair_indices) {
    const bool models = several_models(first);
    std::string text;
    const std::size_t n = pair_indices.size();
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start;
        const ca_atom &a = first.atoms[pairs.first[pair_indices[start]]];
        while (end + 1 < n && pair_indices[end + 1] == pair_indices[end] + 1 &&
               same_chain(a, first.atoms[pairs.first[pair_indices[end + 1]]]))
            ++end;
        const ca_atom &b = first.atoms[pairs.first[pair_indices[end]]];
        if (!text.empty()) text += ',';
        if (models) text += std::to_string(a.model) + "/";
        text += residue_label(first, pairs.first[pair_indices[start]]);
        if (end != start) text += "-" + residue_number(b);
        start = end + 1;
    }
    return text;
}

}  // namespace pairfit
