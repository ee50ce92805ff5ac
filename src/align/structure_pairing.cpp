#include "align/structure_alignment.h"
#include "pairfit/pairing.h"
#include "pairfit/selection.h"
#include "structure/residues.h"

namespace pairfit {

namespace {

// A residue of the trace: its first atom and how many atoms follow it
// (alternate locations of the C-alpha atom).
struct residue_atoms {
    int atom, count;
};

// One position a residue, at its first atom, so that alternate locations
// do not break the chain's geometry.
std::vector<gemmi::Position> trace_of(const structure &s, std::vector<residue_atoms> &residues) {
    if (s.size() < 5)
        throw error((s.size() == 0
                         ? "No C-alpha atoms in " + display_name(s)
                         : "Only " + std::to_string(s.size()) + " C-alpha atoms in " + display_name(s)) +
                    ": pairing by structure needs at least 5");
    std::vector<gemmi::Position> trace;
    for (size_t i = 0; i < s.size(); ++i) {
        const ca_atom &a = s.atoms[i];
        if (i > 0 && same_residue(s.atoms[i - 1], a)) {
            ++residues.back().count;
            continue;
        }
        residues.push_back({static_cast<int>(i), 1});
        trace.emplace_back(a.x, a.y, a.z);
    }
    if (trace.size() < 5)
        throw error("Only " + std::to_string(trace.size()) + " residues with C-alpha atoms in " +
                    display_name(s) + ": pairing by structure needs at least 5");
    return trace;
}

}  // namespace

pairing pair_by_structure(const structure &first, const structure &second) {
    std::vector<residue_atoms> r1, r2;
    const std::vector<gemmi::Position> x = trace_of(first, r1), y = trace_of(second, r2);
    const structure_alignment alignment = align_structures(x, y);
    pairing pairs;
    for (size_t i = 0; i < alignment.match.size(); ++i) {
        if (alignment.match[i] < 0) continue;
        // Two aligned residues pair their atoms in order, as many as the
        // smaller has, as pairing by sequence does.
        const residue_atoms &a = r1[i], &b = r2[alignment.match[i]];
        for (int t = 0; t < a.count && t < b.count; ++t) {
            pairs.first.push_back(a.atom + t);
            pairs.second.push_back(b.atom + t);
        }
    }
    return pairs;
}

}  // namespace pairfit
