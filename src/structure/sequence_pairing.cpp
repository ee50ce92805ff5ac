#include <gemmi/seqalign.hpp>

#include "pairfit/pairing.h"
#include "structure/residue_sequence.h"

namespace pairfit {

namespace {

residue_sequence joined(const std::vector<residue_sequence> &segments) {
    residue_sequence all;
    for (const residue_sequence &s : segments) all.insert(all.end(), s.begin(), s.end());
    return all;
}

// Appends the aligned positions of a global alignment of a and b to pairs.
void align(const residue_sequence &a, const residue_sequence &b, const gemmi::AlignmentScoring &scoring,
           pairing *pairs) {
    if (a.empty() || b.empty()) return;
    std::vector<std::string> query, target;
    for (const sequence_residue &r : a) query.push_back(r.code);
    for (const sequence_residue &r : b) target.push_back(r.code);
    const gemmi::AlignmentResult result =
        gemmi::align_string_sequences(query, target, std::vector<bool>(), scoring);
    // M consumes both sequences, I the query (a) alone, D the target (b).
    size_t i = 0, j = 0;
    for (const gemmi::AlignmentResult::Item &item : result.cigar) {
        const char op = item.op();
        for (std::uint32_t n = 0; n < item.len(); ++n) {
            // Two aligned residues pair their atoms in order, as many as
            // the smaller has: what pairing by number does with atoms of
            // equal residue number.
            if (op == 'M')
                for (int t = 0; t < a[i].count && t < b[j].count; ++t) {
                    pairs->first.push_back(a[i].atom + t);
                    pairs->second.push_back(b[j].atom + t);
                }
            if (op != 'D') ++i;
            if (op != 'I') ++j;
        }
    }
}

}  // namespace

pairing pair_by_sequence(const structure &first, const structure &second) {
    static const gemmi::AlignmentScoring scoring = gemmi::prepare_blosum62_scoring();
    const std::vector<residue_sequence> a = segments_of(first), b = segments_of(second);
    pairing pairs;
    if (a.size() == b.size() && a.size() > 1) {
        for (size_t s = 0; s < a.size(); ++s) align(a[s], b[s], scoring, &pairs);
    } else {
        align(joined(a), joined(b), scoring, &pairs);
    }
    return pairs;
}

}  // namespace pairfit
