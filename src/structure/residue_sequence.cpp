#include "structure/residue_sequence.h"

#include <gemmi/resinfo.hpp>

#include "structure/residue_names.h"

namespace pairfit {

namespace {

// The three-letter name the BLOSUM62 table of gemmi is indexed by (ASX,
// GLX, UNK and the like are not in it and score as match or mismatch).
std::string scoring_name(const std::string &residue_name) {
    const char *name = gemmi::expand_protein_one_letter(one_letter_code(residue_name));
    return name != nullptr ? name : "UNK";
}

}  // namespace

std::vector<residue_sequence> segments_of(const structure &s) {
    std::vector<residue_sequence> segments;
    for (size_t i = 0; i < s.atoms.size(); ++i) {
        const ca_atom &a = s.atoms[i];
        if (i > 0 && same_residue(s.atoms[i - 1], a)) {
            ++segments.back().back().count;
            continue;
        }
        if (i == 0 || !same_segment(s.atoms[i - 1], a)) segments.emplace_back();
        segments.back().push_back({static_cast<int>(i), 1, scoring_name(a.residue_name)});
    }
    return segments;
}

}  // namespace pairfit
