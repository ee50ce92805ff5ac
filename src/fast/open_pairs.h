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

// Pairs in single precision with the slot each pair holds (-1: none).
// Taken pairs keep their slot, closed (an infinite coordinate), until they
// are squeezed out.
struct slot_list {
    int count = 0, taken_since = 0;
    // Whether taken slots are squeezed out (else they stay closed until the
    // list is cleared).
    bool squeezed = true;
    std::vector<int> pair_of_slot, slot_of_pair;
    std::vector<float> x1, y1, z1, x2, y2, z2;

    explicit slot_list(int pairs, bool squeezed_out = true);
    void clear();
    void append_slot(const slot_list &from, int s) {
        x1[count] = from.x1[s], y1[count] = from.y1[s], z1[count] = from.z1[s];
        x2[count] = from.x2[s], y2[count] = from.y2[s], z2[count] = from.z2[s];
        pair_of_slot[count] = from.pair_of_slot[s];
        slot_of_pair[from.pair_of_slot[s]] = count++;
    }
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

// All pairs' coordinates in single precision, each structure about its own
// centre of the bounding box, shared by every path: a slot list with every
// pair open, which each path starts from.
class single_precision_pairs {
public:
    single_precision_pairs(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second);
    int size() const { return n_; }
    // False when coordinates are too large for single precision to narrow
    // anything down (beyond a million Angstrom).
    bool usable() const { return usable_; }

private:
    friend class open_pairs;
    int n_ = 0;
    bool usable_ = true;
    slot_list every_pair_;
    gemmi::Vec3 origin_[2];
    double extent_ = 0.0;  // the largest coordinate about the origins
    // The search's allowance for rounding in its deviations (Angstrom).
    double margin_ = 0.0;
};

// The open pairs of one growth path. A pass of estimates normally covers
// only the pairs near the subset, those whose deviation was among the
// smallest when the open pairs were last regrouped. A fit moves a point b
// by at most the spectral norm of the rotation's change times |b - o| plus
// the move of o's image, for any fixed o; so with o the subset's centre at
// the regroup, each of the others stays at least (its deviation then) -
// turn x |b - o| - shift away. The lowest of that over the others is kept
// for a few turns, and a few products per step tell whether any of them
// could now be closer than the nearest of the near ones. When most open
// pairs lie far away (several far-apart parts), regroups pass over a middle
// set only, kept the same way with a bound on the pairs beyond it.
class open_pairs {
public:
    explicit open_pairs(const single_precision_pairs &all);
    void reset();         // every pair open
    void take(int pair);  // the pair joined the subset
    // The near pairs (ascending) whose deviation under fit could be the
    // smallest among them, into candidates; false when there is no near
    // set (every open pair is then to be looked at with regroup).
    bool near_candidates(const rigid_fit &fit, std::vector<int> &candidates);
    // A lower bound on the deviation (Angstrom) under fit of every open
    // pair outside the near set; infinity when there is none.
    double far_floor(const rigid_fit &fit) const;
    // Whether far_floor(fit) > reach, computing no more than it must.
    bool far_beyond(const rigid_fit &fit, double reach) const;
    // A pass over the middle set, or over all open pairs when there is
    // none or the bound on the pairs beyond it fails: the candidates among
    // all open pairs, as near_candidates gives them, and the near set
    // chosen anew.
    void regroup(const rigid_fit &fit, std::vector<int> &candidates);
    long long estimates() const { return estimates_; }  // pairs estimated so far

private:
    // The fit about the origins and the bound on the error of each
    // estimated coordinate difference.
    double fit_about_origins(const rigid_fit &fit, float r[9], float t[3]) const;
    // The slots of list whose estimates could belong to the smallest
    // deviation, given the lowest estimate, as pairs into candidates.
    void gather(const slot_list &list, float lowest, double error, std::vector<int> &candidates);

    // The turns (spectral norm of the rotation's change) at which a bound
    // on the deviations of pairs left out of a pass is kept. Between them
    // the bound follows the chord, which the true bound never falls below
    // (see far_floor); for the pairs outside the near set the bound at 0
    // does most of the work, and more samples cost more than they save.
    // The pairs beyond the middle set are far, so their bound is kept to
    // larger turns.
    static const int TURNS = 3;
    static constexpr double NEAR_TURNS[TURNS] = {0.0, 2e-3, 3.2e-2};
    static constexpr double MIDDLE_TURNS[TURNS] = {0.0, 2e-2, 1e-1};

    // A lower bound on the deviations of the open pairs that a pass left
    // out, kept from the pass's fit: for each sampled turn, a lower bound
    // on (their deviation then) - turn x (their distance from the fit's
    // centre2).
    struct distance_bound {
        const double *turns;
        bool active = false;
        rigid_fit fit;
        double floor[TURNS];
        explicit distance_bound(const double *sampled) : turns(sampled) {}
        // The bound (Angstrom) under now; infinity when none is kept.
        double at(const rigid_fit &now) const;
    };
    // The bound on the slots of list whose estimates lie beyond edge.
    void bound_beyond(const slot_list &list, float edge, const rigid_fit &fit, double error,
                      distance_bound &bound);
    // After a pass over all open pairs: the middle set, and the bound on
    // the pairs beyond it (none when it would hold most of them).
    void choose_middle(const rigid_fit &fit, float lowest, double error);
    // After a pass over list: the near set, and the bound on the rest of
    // list.
    void choose_near(const slot_list &list, const rigid_fit &fit, float lowest, double error);

    // Inputs of several far-apart parts (as repeated domains or chains)
    // have most of their pairs far from the subset: a middle set, those
    // within MIDDLE_REACH (Angstrom) of the lowest estimate at the last
    // pass over all open pairs, is what regroups pass over while the bound
    // on the others holds. Only with at least MIDDLE_LEAST pairs open.
    static constexpr double MIDDLE_REACH = 40.0;
    static const int MIDDLE_LEAST = 512;

    const single_precision_pairs &all_;
    slot_list open_, near_, middle_;
    bool split_ = false;
    // How far (Angstrom) past the lowest estimate the near set reaches.
    double window_ = 1.0;
    distance_bound near_bound_{NEAR_TURNS}, middle_bound_{MIDDLE_TURNS};
    long long estimates_ = 0;
    std::vector<float> estimate_, chunk_lowest_, scratch_;
    std::vector<int> found_;
};

}  // namespace detail
}  // namespace pairfit

#endif
