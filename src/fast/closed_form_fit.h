// The least-squares superposition of a subset of pairs in closed form
// (quaternion method), from sums that a growing subset updates in constant
// time per joining pair.
//
// The sums are exact: every coordinate is first rounded once to a
// fixed-point integer (a power-of-two grid chosen from the extent of the
// input and the number of pairs, finer than 1e-9 Angstrom for any protein),
// and the sums of coordinates and of their products are kept as integers.
// So the fit of a subset is a function of its members alone, whatever order
// they joined in and whichever seed they grew from; the search's shared
// growth paths depend on that. The only rounding is the single conversion of
// each centred sum to floating point, so large coordinates do not cancel.
#ifndef PAIRFIT_FAST_CLOSED_FORM_FIT_H
#define PAIRFIT_FAST_CLOSED_FORM_FIT_H

#include <gemmi/math.hpp>

#include <cstdint>
#include <vector>

#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {
namespace detail {

// The pairs' coordinates on the fixed-point grid.
class fixed_point_pairs {
public:
    fixed_point_pairs(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second);
    int size() const { return static_cast<int>(grid_.size() / 6); }
    // Pair k: first x, y, z, then second x, y, z, in grid units about origin().
    const std::int64_t *pair(int k) const { return &grid_[6 * static_cast<std::size_t>(k)]; }
    const gemmi::Vec3 &origin(int structure) const { return origin_[structure]; }
    double unit() const { return unit_; }  // Angstrom per grid step

private:
    std::vector<std::int64_t> grid_;
    gemmi::Vec3 origin_[2];
    double unit_ = 1.0;
};

// A rotation (acting on column vectors) that turns the second structure's
// subset, centred, onto the first's.
struct rigid_fit {
    gemmi::Mat33 rotation;  // the identity until fitted
    gemmi::Vec3 centre1, centre2;
    double rms = 0.0;  // over the subset
    int size = 0;
    // A bound on how far rotation is from a true rotation, at least what
    // rotation_error computes.
    double rotation_error_bound = 1e-15;
};

// How far a computed rotation matrix r is from a true rotation (a bound on
// the spectral distance to the nearest one).
double rotation_error(const gemmi::Mat33 &r);

// An upper bound on the spectral norm of a - b, the most a - b lengthens a
// vector, for two computed rotations with their rotation_error. With it,
// two fits move a point b apart by at most that times |b - o| plus the
// distance between their images of any fixed point o.
double rotation_distance(const gemmi::Mat33 &a, double error_a, const gemmi::Mat33 &b, double error_b);

// The exact sums of a subset: count, coordinate sums, products and squares.
class subset_sums {
public:
    void clear();
    void add(const std::int64_t *pair);  // one pair of fixed_point_pairs
    int size() const { return count_; }
    // The least-squares fit of the subset; at least one pair.
    rigid_fit fit(const fixed_point_pairs &grid) const;

private:
    int count_ = 0;
    std::int64_t sum1_[3] = {0, 0, 0}, sum2_[3] = {0, 0, 0};
    __int128 cross_[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};  // first_i second_j
    __int128 square1_ = 0, square2_ = 0;
};

// The optimal rotation and RMS from the centred inner-product matrix h
// (first rows, second columns) and e0 = half the sum of both centred sums of
// squares, for n pairs. Collinear and coincident subsets (h of rank one or
// zero, whose rotation is not unique) get one of their optimal rotations.
// Returns a bound on the rotation's distance from a true rotation (see
// rotation_error).
double rotation_from_inner_product(const gemmi::Mat33 &h, double e0, int n, gemmi::Mat33 &rotation,
                                   double *rms);

}  // namespace detail
}  // namespace pairfit

#endif
