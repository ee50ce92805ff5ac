#include "align/structure_alignment.h"
#include "pairfit/pairing.h"
#include "pairfit/selection.h"

namespace pairfit {

namespace {

std::vector<gemmi::Position> trace_of(const structure &s) {
    if (s.size() < 5)
        throw error((s.size() == 0 ? "No C-alpha atoms in " + display_name(s)
                                   : "Only " + std::to_string(s.size()) + " C-alpha atoms in " + display_name(s)) +
                    ": pairing by structure needs at least 5");
    std::vector<gemmi::Position> trace;
    trace.reserve(s.size());
    for (const ca_atom &a : s.atoms) trace.emplace_back(a.x, a.y, a.z);
    return trace;
}

}  // namespace

pairing pair_by_structure(const structure &first, const structure &second) {
    const std::vector<gemmi::Position> x = trace_of(first), y = trace_of(second);
    const structure_alignment alignment = align_structures(x, y);
    pairing pairs;
    for (size_t i = 0; i < alignment.match.size(); ++i)
        if (alignment.match[i] >= 0) {
            pairs.first.push_back(static_cast<int>(i));
            pairs.second.push_back(alignment.match[i]);
        }
    return pairs;
}

}  // namespace pairfit
