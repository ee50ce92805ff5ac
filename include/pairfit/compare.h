// One comparison: the seed-and-grow search for the most significant
// superimposable subset of the pairs, and the final refit of that subset.
#ifndef PAIRFIT_PUBLIC_COMPARE_H
#define PAIRFIT_PUBLIC_COMPARE_H

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

// One growth step of the search: the subset just grown by one pair, fitted
// and scored.
struct growth_step {
    int size;      // pairs in the subset
    int npairs;    // pairs in all
    double rms;    // Angstrom
    double score;  // Levitt-Gerstein score
    double pvalue;
};

// The state after one growth step's fit, valid during the call only.
struct fit_snapshot {
    int npairs;
    double rms;                       // of the selected pairs
    const int *selected;              // per pair: non-zero when in the subset
    const double *squared_distances;  // per pair, square Angstrom
};

// Follows the search as it runs. The library calls it on the comparing
// thread and prints nothing itself.
class search_observer {
public:
    virtual ~search_observer() = default;
    // Whether every growth step is to be scored and passed to step_scored.
    // Without this the search scores only the steps that could be accepted.
    virtual bool wants_scores() const { return true; }
    // Whether fitted is to be called after every growth step (costly:
    // the whole state is copied out each time).
    virtual bool wants_fits() const { return false; }
    virtual void step_scored(const growth_step &) {}
    // A subset larger than the minimum size has become the best one; the
    // p-values of successive calls never increase.
    virtual void new_best(const growth_step &) {}
    virtual void fitted(const fit_snapshot &) {}
};

enum class search_mode {
    exact,  // pairfit's own search, byte for byte; at most max_exact_atoms pairs
    fast,   // closed-form fits, shared growth paths, several threads; no size limit
};

struct compare_options {
    int min_size = 19;  // a best subset must have more pairs than this
    search_mode mode = search_mode::exact;
    int threads = 1;               // fast mode: threads for the seeds (0: every core)
    bool per_size_scores = false;  // fill result::score_by_size
    // Fast mode without per_size_scores: fill result::score_by_size with the
    // highest score among the subsets the search scores anyway, at no extra
    // cost (scoring every subset makes the fast search many times slower);
    // sizes it did not score stay 0. The exact mode ignores it.
    bool sizes_as_scored = false;
    search_observer *observer = nullptr;
};

// x -> rotation x + translation.
struct rigid_transform {
    std::array<std::array<double, 3>, 3> rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<double, 3> translation{{0, 0, 0}};
    std::array<double, 3> apply(const std::array<double, 3> &p) const;
};

struct result {
    // The six values of the SCORE line, as printed.
    int max_natoms = 0;              // the larger count of C-alpha atoms read
    int size = 0;                    // pairs in the best subset; 0: none accepted
    double rms = 0.0;                // RMS deviation of the best subset, Angstrom
    double score = 0.0;              // its Levitt-Gerstein score
    double pvalue = 1.0;             // its p-value
    double normalised_pvalue = 0.0;  // -1000 (log10 p + 0.6108) / atoms of structure 1

    int npairs = 0;
    std::vector<char> in_subset;  // per pair: 1 in the best subset
    // After the final refit of the best subset (as the search left them when
    // none was accepted): each pair's distance in Angstrom, and the RMS over
    // the subset (0 when none was accepted).
    std::vector<double> distances;
    double final_rms = 0.0;
    // With per_size_scores: for sizes 0 to npairs, the highest score of any
    // subset of that size (0 where none was scored).
    std::vector<double> score_by_size;
    // Puts structure 2, in its input coordinates, onto structure 1 in its
    // input coordinates, as the final refit superposes them.
    rigid_transform transform;
    // The paired atoms' coordinates after the final refit, as pairfit's
    // coordinate file writes them: structure 1 shifted by reference_shift,
    // structure 2 moved by transform and then by reference_shift.
    std::vector<std::array<double, 3>> superposed1, superposed2;
    std::array<double, 3> reference_shift{{0, 0, 0}};
};

// The working storage of comparisons in the exact mode: about 1.5 MB,
// allocated by the first of them (the fast mode does not use it). One a
// thread; reuse it (and a result) to compare without allocating.
class workspace {
public:
    workspace();
    ~workspace();
    workspace(workspace &&) noexcept;
    workspace &operator=(workspace &&) noexcept;
    struct state;

private:
    std::unique_ptr<state> state_;
    friend void compare(workspace &, const structure &, const structure &, const pairing &,
                        const compare_options &, result &);
};

// Compares first and second, paired by pairs, into out. Throws error when
// the pairing names atoms that the structures do not have or, in the exact
// mode, holds more than max_exact_atoms pairs.
//
// The fast mode finds the subset by the same rules with each fit exact
// (closed form), so its values can differ from the exact mode's in the last
// digits and, rarely, its subset too; the result is the same for every
// thread count. It uses memory of its own, linear in the number of pairs
// (about 1.2 KB a pair in all), not the workspace, and reports to the
// observer only new_best, once, for the subset it chose.
void compare(workspace &ws, const structure &first, const structure &second, const pairing &pairs,
             const compare_options &options, result &out);

// The same with a workspace and result of its own.
result compare(const structure &first, const structure &second, const pairing &pairs,
               const compare_options &options = {});

// The six tab-separated values of pairfit's SCORE line, without
// "SCORE:\t" and the line end.
std::string score_values(const result &r);

// p-value of a Levitt-Gerstein score s of n pairs, as the search computes it.
double score_pvalue(int n, double s);

}  // namespace pairfit

#endif
