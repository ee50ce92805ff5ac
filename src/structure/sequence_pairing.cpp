#include <gemmi/resinfo.hpp>
#include <gemmi/seqalign.hpp>

#include "pairfit/pairing.h"
#include "structure/residue_names.h"
#include "structure/residues.h"

namespace pairfit {

namespace {

// One residue of a sequence: its atoms (more than one where the C-alpha
// atom has alternate locations), and the name under which the alignment
// scores it, that of its first atom.
struct residue {
    int atom;    // the index of its first atom
    int count;   // its atoms, which follow each other
    std::string code;
};

using sequence = std::vector<residue>;

// The three-letter name the BLOSUM62 table of gemmi is indexed by (ASX,
// GLX, UNK and the like are not in it and score as match or mismatch).
std::string scoring_name(const std::string &residue_name) {
    const char *name = gemmi::expand_protein_one_letter(one_letter_code(residue_name));
    return name != nullptr ? name : "UNK";
}

// The residues of s, one sequence per chain segment (a run of atoms of one
// model and chain).
std::vector<sequence> segments_of(const structure &s) {
    std::vector<sequence> segments;
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

sequence joined(const std::vector<sequence> &segments) {
    sequence all;
    for (const sequence &s : segments) all.insert(all.end(), s.begin(), s.end());
    return all;
}

// Appends the aligned positions of a global alignment of a and b to pairs.
void align(const sequence &a, const sequence &b, const gemmi::AlignmentScoring &scoring,
           pairing *pairs) {
    if (a.empty() || b.empty()) return;
    std::vector<std::string> query, target;
    for (const residue &r : a) query.push_back(r.code);
    for (const residue &r : b) target.push_back(r.code);
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
    const std::vector<sequence> a = segments_of(first), b = segments_of(second);
    pairing pairs;
    if (a.size() == b.size() && a.size() > 1) {
        for (size_t s = 0; s < a.size(); ++s) align(a[s], b[s], scoring, &pairs);
    } else {
        align(joined(a), joined(b), scoring, &pairs);
    }
    return pairs;
}

}  // namespace pairfit
