// The pairs a growth path has not taken in yet, in single precision, for a
// quick pass that narrows the closest of them down to a few candidates.
//
// A pass over all open pairs costs most of a growth step; in single
// precision and eight lanes wide it costs a fraction of the same pass in
// double. Its values are not the search's deviations, only estimates with a
// proven error bound: every pair whose estimate could belong to the
// smallest deviation is a candidate, and the caller measures the candidates
// in double precision, so the pair chosen is the same as from a full pass
// in double.
#ifndef PAIRFIT_FAST_OPEN_PAIRS_H
#define PAIRFIT_FAST_OPEN_PAIRS_H

#include <vector>

#include "fast/closed_form_fit.h"

namespace pairfit {
namespace detail {

// All pairs' coordinates in single precision, each structure about its own
// centre of the bounding box, shared by every path.
class single_precision_pairs {
public:
    single_precision_pairs(const std::vector<point> &first, const std::vector<point> &second);
    int size() const { return n_; }
    // False when coordinates are too large for single precision to narrow
    // anything down (beyond a million Angstrom).
    bool usable() const { return usable_; }

private:
    friend class open_pairs;
    int n_ = 0;
    bool usable_ = true;
    std::vector<float> coordinates_;  // per pair: first x y z, second x y z
    point origin_[2];
    double extent_ = 0.0;  // the largest coordinate about the origins
};

// Pairs in single precision with the slot each pair holds (-1: none).
// Taken pairs keep their slot, closed (an infinite coordinate), until they
// are squeezed out.
struct slot_list {
    int count = 0, taken_since = 0;
    std::vector<int> pair_of_slot, slot_of_pair;
    std::vector<float> x1, y1, z1, x2, y2, z2;

    explicit slot_list(int pairs);
    void clear();
    void append(const float *coordinates, int pair);  // coordinates as single_precision_pairs holds them
    void finish();  // pads the last chunk
    void take(int pair);
    // The estimates of every slot under the fit about the origins (b goes
    // to r b + t) into estimate, the lowest of each chunk of 32 into
    // chunk_lowest; returns the lowest.
    float estimate(const float r[9], const float t[3], float *estimate, float *chunk_lowest) const;

private:
    void close(int slot);
    void compact();
};

// The open pairs of one growth path. A pass of estimates normally covers
// only the pairs near the subset, those whose deviation was among the
// smallest when the open pairs were last regrouped; the others are
// grouped by their distance from the path's anchor with the lowest bound
// on their deviations in each group, so that with the path's summed motion
// since then (turn times distance plus shift, as the search bounds a
// pair's change) a single comparison tells whether any of them could now
// be closer than the nearest of the near ones.
class open_pairs {
public:
    explicit open_pairs(const single_precision_pairs &all);
    // Every pair open; radius: each pair's distance from the path's anchor
    // in the second structure.
    void reset(const double *radius);
    void take(int pair);  // the pair joined the subset
    // The near pairs (ascending) whose deviation under fit could be the
    // smallest among them, into candidates; false when there is no near
    // set (every open pair is then to be looked at with regroup).
    bool near_candidates(const rigid_fit &fit, std::vector<int> &candidates);
    // A lower bound on the deviation (Angstrom) of every open pair outside
    // the near set, after the path's summed turn and shift reached these
    // values; infinity when there is none.
    double far_floor(double turn, double shift) const;
    // A pass over all open pairs: the candidates among all of them, as
    // near_candidates gives them, and the near set chosen anew; turn and
    // shift are the path's sums at fit.
    void regroup(const rigid_fit &fit, double turn, double shift, std::vector<int> &candidates);
    long long estimates() const { return estimates_; }  // pairs estimated so far

private:
    // The fit about the origins and the bound on the error of each
    // estimated coordinate difference.
    double fit_about_origins(const rigid_fit &fit, float r[9], float t[3]) const;
    // The slots of list whose estimates could belong to the smallest
    // deviation, given the lowest estimate, as pairs into candidates.
    void gather(const slot_list &list, float lowest, double error, std::vector<int> &candidates);

    static const int RINGS = 16;
    const single_precision_pairs &all_;
    slot_list open_, near_;
    bool split_ = false;
    // How far (Angstrom) past the lowest estimate the near set reaches.
    double window_ = 1.0;
    // The pairs by distance from the anchor, in rings of equal width: each
    // pair's ring, each ring's largest distance and, at the regroup, the
    // lowest bound on the deviations of its far pairs.
    std::vector<unsigned char> ring_of_;
    double ring_radius_[RINGS], ring_floor_[RINGS];
    double turn_at_ = 0.0, shift_at_ = 0.0;
    long long estimates_ = 0;
    std::vector<float> estimate_, chunk_lowest_;
    std::vector<int> found_;
};

}  // namespace detail
}  // namespace pairfit

#endif
