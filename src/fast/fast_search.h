// The fast search: the same seeds, growth rule, score, p-value and
// acceptance as the exact search, with each subset fitted exactly in closed
// form from sums that a joining pair updates in constant time, growth paths
// that stop where they reach a subset an earlier path already reached, the
// closest pair found among the few candidates that a pass of single-
// precision estimates over the pairs near the subset leaves, and the seeds
// spread over threads. No limit on the number of pairs; memory grows
// linearly with it.
#ifndef PAIRFIT_FAST_FAST_SEARCH_H
#define PAIRFIT_FAST_FAST_SEARCH_H

#include <vector>

#include "fast/closed_form_fit.h"

namespace pairfit {
namespace detail {

// Sees every grown subset of the search's paths beside the bound on its
// score that lets the search skip scoring it: a seam for tests, called from
// the search's threads.
class bound_observer {
public:
    virtual ~bound_observer() = default;
    // The subset of k pairs on seed's path was just fitted.
    virtual void step(int seed, int k, double score_bound, double score) = 0;
};

struct fast_search_options {
    int min_size = 19;        // an accepted subset has more pairs than this
    int threads = 1;          // threads for the seeds; 0: one per core
    bool share_paths = true;  // stop a path at a subset reached before
    // Find the closest pair from single-precision estimates (else, and
    // always for coordinates beyond a million Angstrom, by full passes in
    // double precision; the same pair either way).
    bool single_precision = true;
    bool per_size_scores = false;  // score every subset and fill score_by_size
    // Fill score_by_size from the subsets scored anyway: nothing more is
    // scored, so sizes the search skipped stay 0.
    bool record_scored_sizes = false;
    bound_observer *observer = nullptr;  // sees every grown subset (tests)
};

// What the search did; fits and paths_cut depend on which thread reaches a
// shared subset first, so they can vary between runs with several threads.
struct fast_search_counters {
    long long fits = 0;         // closed-form fits of grown subsets
    long long paths_cut = 0;    // paths stopped at a subset reached before
    long long scores = 0;       // subsets scored
    long long full_passes = 0;  // passes over all open pairs for the closest one
    long long deviations = 0;   // deviations computed in double precision
    long long estimates = 0;    // deviations estimated in single precision
    long long subsets_recorded = 0;
};

struct fast_search_result {
    // The most significant subset larger than min_size, as the exact search
    // defines it: size 0, rms 0, score 0 and p-value 1 when none was accepted.
    int size = 0;
    double rms = 0.0;
    double score = 0.0;
    double pvalue = 1.0;
    std::vector<char> in_subset;  // per pair
    // With per_size_scores: the highest score of any subset of each size 0
    // to n (0 where none); with record_scored_sizes, of the subsets
    // scored; otherwise all 0.
    std::vector<double> score_by_size;
    fast_search_counters counters;
    // When none was accepted: the last fit of the last seed's path, which is
    // where the exact search leaves the structures (size 0 without seeds).
    rigid_fit last_fit;
};

// Pair k is (first[k], second[k]); both have the same length. The result is
// the same for every thread count and with or without shared paths.
fast_search_result fast_search(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                               const fast_search_options &options);

// The pairs the growth path of seed takes in, in order (the seed's four
// first), to its end: what the search computes for that path, without
// shared paths or scores.
std::vector<int> growth_path(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                             int seed);

// The closed-form fit of the pairs marked in in_subset (at least one), the
// same the search computes for that subset.
rigid_fit fit_subset(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                     const std::vector<char> &in_subset);

}  // namespace detail
}  // namespace pairfit

#endif
