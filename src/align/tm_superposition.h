// The superposition of paired C-alpha atoms that maximises the TM-score,
// found by the heuristic of the TM-score paper: superpose a seed fragment
// of consecutive pairs, then repeatedly refit on the pairs that lie closer
// than a search cutoff, keeping the best score met on the way.
#ifndef PAIRFIT_ALIGN_TM_SUPERPOSITION_H
#define PAIRFIT_ALIGN_TM_SUPERPOSITION_H

#include <vector>

#include <gemmi/math.hpp>
#include <gemmi/unitcell.hpp>

namespace pairfit {

// d0 of the TM-score for a structure of length residues: 1.24 (L-15)^(1/3)
// - 1.8, at least 0.5.
double tm_d0(int length);

// How many seeds the search tries and how long it refines each.
struct tm_search_effort {
    int lengths;      // seed lengths n, n/2, n/4, ... (at least 4 pairs), at most this many
    int seeds;        // seeds per length, spread evenly; 0: a start every half seed (at most 40)
    int iterations;   // refits per seed
};

constexpr tm_search_effort quick_tm_search{2, 2, 3};     // ranking thousands of candidates
constexpr tm_search_effort iteration_tm_search{4, 5, 8};  // inside the alignment's iterations
constexpr tm_search_effort thorough_tm_search{30, 0, 20}; // choosing among final alignments

struct tm_fit {
    double score = 0.0;                 // the TM-score: sum of terms / normalising length
    gemmi::Transform transform;         // moves the second points onto the first
};

// Searches the superposition of y[k] onto x[k] (k < n) with the highest
// TM-score sum_k 1/(1+(d_k/d0)^2) / norm_length. Keeps its buffers between
// calls, so that one object serves many searches without allocating.
class tm_superposition_search {
public:
    tm_fit best(const gemmi::Position *x, const gemmi::Position *y, int n, double d0,
                double norm_length, const tm_search_effort &effort);

private:
    std::vector<int> selected_, next_;
    std::vector<gemmi::Position> sel_x_, sel_y_;
};

// The TM-score sum of y moved by t onto x, divided by norm_length.
double tm_score_under(const gemmi::Position *x, const gemmi::Position *y, int n, double d0,
                      double norm_length, const gemmi::Transform &t);

}  // namespace pairfit

#endif
