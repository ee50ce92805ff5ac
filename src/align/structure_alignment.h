// Structural alignment of two C-alpha traces in sequence order, with gaps.
#ifndef PAIRFIT_ALIGN_STRUCTURE_ALIGNMENT_H
#define PAIRFIT_ALIGN_STRUCTURE_ALIGNMENT_H

#include <vector>

#include <gemmi/unitcell.hpp>

#include "metrics/tm_score.h"

namespace pairfit {

// The aligner's superposition searches: quick for ranking thousands of
// candidates, and inside the alignment's iterations; thorough for choosing
// among the final alignments (a start every half seed, at most about 40 a
// length). No sets skipped, so each seed refines as far as it would alone.
constexpr search_effort quick_tm_search{2, 2, 2, 40, 2, 0, false, false};
constexpr search_effort iteration_tm_search{4, 5, 2, 40, 7, 0, false, false};
constexpr search_effort thorough_tm_search{30, 0, 2, 40, 19, 0, false, false};

struct structure_alignment {
    std::vector<int> match;  // per position of the first trace: its partner in the second, or -1
    double tm_score = 0.0;   // normalised by the first trace's length
};

// Several initial alignments (gapless threading; dynamic programming on
// secondary structure; superpositions of short aligned fragments; secondary
// structure and distances under the best threading together), each improved
// by alternating the superposition with the highest TM-score on the aligned
// pairs and dynamic programming on 1/(1+(d/d0)^2) under it; the alignment
// with the highest TM-score, normalised by the first trace, wins. Both
// traces need at least 5 positions.
structure_alignment align_structures(const std::vector<gemmi::Position> &x,
                                     const std::vector<gemmi::Position> &y);

}  // namespace pairfit

#endif
