#include "metrics/tm_score.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gemmi/qcp.hpp>

namespace pairfit {

namespace {

static_assert(gdt_cutoffs[0] == 0.5 && gdt_cutoffs[1] == 1.0 && gdt_cutoffs[2] == 2.0 &&
                  gdt_cutoffs[3] == 4.0 && gdt_cutoffs[4] == 8.0,
              "the GDT counts are taken by binary exponents");

// The shortest fragment that seeds a superposition.
constexpr int min_fragment = 4;
// A cutoff grows to at most this while fewer than 3 pairs are within it.
constexpr double widest_cutoff = 100.0;
// With bound_seeds, a seed is refined at a cutoff only when it has at least
// this share of the most pairs within that cutoff met so far.
constexpr double seed_share = 0.5;

// A well-mixed 64-bit value for each pair index; a set's hash is the sum of
// its members' values, so it can be summed in any order.
std::uint64_t pair_key(std::uint64_t k) {
    std::uint64_t z = (k + 1) * 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

double tm_score_d0(int length) {
    if (length < 15) return 0.5;
    return std::max(0.5, 1.24 * std::cbrt(length - 15.0) - 1.8);
}

double tm_score_under(const gemmi::Transform &move, const gemmi::Position *first,
                      const gemmi::Position *second, int n, double d0, double normaliser) {
    const double scale = 1.0 / (d0 * d0);
    double sum = 0.0;
    for (int k = 0; k < n; ++k) sum += 1.0 / (1.0 + move.apply(second[k]).dist_sq(first[k]) * scale);
    return normaliser > 0 ? sum / normaliser : 0.0;
}

// Scores move: the squared distances into squared, the TM-score and the
// GDT counts against the maxima. The loops run over separate coordinate
// arrays so that the compiler can do several pairs at a time; each pair's
// arithmetic, and the order of the sum, are those of tm_score_under.
void superposition_search::evaluate(const gemmi::Transform &move, std::vector<double> &squared) {
    const double *ax = coordinates_.data(), *ay = ax + n_, *az = ay + n_;
    const double *bx = az + n_, *by = bx + n_, *bz = by + n_;
    const gemmi::Mat33 &r = move.mat;
    const double r00 = r.a[0][0], r01 = r.a[0][1], r02 = r.a[0][2], r10 = r.a[1][0], r11 = r.a[1][1],
                 r12 = r.a[1][2], r20 = r.a[2][0], r21 = r.a[2][1], r22 = r.a[2][2];
    const double vx = move.vec.x, vy = move.vec.y, vz = move.vec.z;
    double *d2 = squared.data(), *term = terms_.data();
    for (int k = 0; k < n_; ++k) {
        const double x = r00 * bx[k] + r01 * by[k] + r02 * bz[k] + vx - ax[k];
        const double y = r10 * bx[k] + r11 * by[k] + r12 * bz[k] + vy - ay[k];
        const double z = r20 * bx[k] + r21 * by[k] + r22 * bz[k] + vz - az[k];
        d2[k] = x * x + y * y + z * z;
    }
    const double scale = 1.0 / (d0_ * d0_);
    for (int k = 0; k < n_; ++k) term[k] = 1.0 / (1.0 + d2[k] * scale);
    double sum = 0.0;
    for (int k = 0; k < n_; ++k) sum += term[k];
    const double tm = sum / normaliser_;
    if (tm > best_.tm_score) {
        best_.tm_score = tm;
        best_.best = move;
    }
    if (!with_gdt_) return;
    // The GDT cutoffs are 2^-1 to 2^3 Angstrom, so a squared distance is
    // below cutoff 2^j exactly when its binary exponent is below 2j: one
    // pass counts the pairs per band of two exponents (two tallies, taken
    // in turn, so that one pair need not wait for the last), and the
    // counts are the bands summed. Zero falls in the lowest band; infinity
    // and not-a-number in the highest, within no cutoff.
    std::array<std::array<int, 8>, 2> bands{};
    for (int k = 0; k < n_; ++k) {
        std::uint64_t bits;
        std::memcpy(&bits, &d2[k], sizeof bits);
        const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
        ++bands[k & 1][std::min(5, std::max(0, (exponent + 4) >> 1))];
    }
    int count = 0;
    for (int g = 0; g < 5; ++g) {
        count += bands[0][g] + bands[1][g];
        seed_counts_[g] = count;
        best_.gdt_counts[g] = std::max(best_.gdt_counts[g], count);
    }
}

// The pairs closer than limit (squared) into selected_, in order; their
// number. Each index is written, and kept by moving on when it is within,
// so that there is no branch per pair.
int superposition_search::gather(const std::vector<double> &squared, double limit) {
    selected_.resize(n_);
    int m = 0;
    for (int k = 0; k < n_; ++k) {
        selected_[m] = k;
        m += squared[k] < limit;
    }
    selected_.resize(m);
    return m;
}

// Whether the set with this hash is seen for the first time; records it.
bool superposition_search::first_visit(std::uint64_t set_hash) {
    if (set_hash == 0) set_hash = 1;
    if (2 * (visited_count_ + 1) > visited_.size()) {
        std::vector<std::uint64_t> old(std::max<std::size_t>(1024, 2 * visited_.size()), 0);
        old.swap(visited_);
        visited_count_ = 0;
        for (std::uint64_t h : old)
            if (h != 0) first_visit(h);
    }
    const std::size_t mask = visited_.size() - 1;
    for (std::size_t at = set_hash & mask;; at = (at + 1) & mask) {
        if (visited_[at] == set_hash) return false;
        if (visited_[at] == 0) {
            visited_[at] = set_hash;
            ++visited_count_;
            return true;
        }
    }
}

// Refines at cutoffs_[cutoff_index] from the seed's distances in seed_, at
// most refits times; seed_set is the hash of the pairs the seed was fitted
// on (0: none).
void superposition_search::refine(int cutoff_index, std::uint64_t seed_set, int refits) {
    const std::vector<double> *current = &seed_;
    std::uint64_t previous = seed_set;
    for (int round = 0; round < refits; ++round) {
        const std::vector<double> &squared = *current;
        double cutoff = cutoffs_[cutoff_index].value;
        if (gather(squared, cutoff * cutoff) < 3) {
            // Widen the cutoff by half Angstroms until the third smallest
            // distance is within it (a fit gone wrong on degenerate input
            // may leave fewer than 3 numbers).
            double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
            for (int k = 0; k < n_; ++k) {
                double d2 = squared[k];
                if (!(d2 < low[2])) continue;
                if (d2 < low[0]) std::swap(d2, low[0]);
                if (d2 < low[1]) std::swap(d2, low[1]);
                low[2] = d2;
            }
            cutoff += 0.5;
            while (!(low[2] < cutoff * cutoff) && cutoff + 0.5 < widest_cutoff) cutoff += 0.5;
            if (gather(squared, cutoff * cutoff) < 3) return;
        }
        std::uint64_t set_hash = 0;
        for (int i : selected_) set_hash += keys_[i];
        if (set_hash == previous) return;
        // The set's hash, told apart by the cutoff it was collected at.
        if (effort_.skip_refined && !first_visit(set_hash ^ ((cutoff_index + 1) * 0xd6e8feb86659fd93ULL)))
            return;
        previous = set_hash;
        const std::size_t m = selected_.size();
        for (std::size_t i = 0; i < m; ++i) {
            fit1_[i] = first_[selected_[i]];
            fit2_[i] = second_[selected_[i]];
        }
        evaluate(gemmi::superpose_positions(fit1_.data(), fit2_.data(), m, nullptr).transform, work_);
        current = &work_;
    }
}

// Scores the seed, then refines it at each cutoff; with bound_seeds, only
// at the GDT cutoffs where it has at least seed_share of the most pairs
// within met so far (a seed far below rarely refines to a new maximum).
void superposition_search::refine_seed(const gemmi::Transform &seed, std::uint64_t seed_set) {
    evaluate(seed, seed_);
    for (int c = 0; c < cutoff_count_; ++c) {
        const int g = cutoffs_[c].gdt;
        if (g >= 0 && effort_.bound_seeds && seed_counts_[g] < seed_share * best_.gdt_counts[g]) continue;
        refine(c, seed_set, g >= 0 ? effort_.gdt_refits : effort_.refits);
    }
}

void superposition_search::set_cutoffs(double d0, bool with_gdt) {
    const double tm_cutoff = std::min(8.0, std::max(4.5, d0));
    cutoff_count_ = 0;
    cutoffs_[cutoff_count_++] = {tm_cutoff, -1};
    if (!with_gdt) return;
    cutoffs_[cutoff_count_++] = {tm_cutoff + 1.0, -1};
    for (std::size_t g = 0; g < gdt_cutoffs.size(); ++g)
        cutoffs_[cutoff_count_++] = {gdt_cutoffs[g], static_cast<int>(g)};
}

superposition_maxima superposition_search::run(const gemmi::Position *first, const gemmi::Position *second,
                                               int n, double d0, double normaliser, bool with_gdt,
                                               const search_effort &effort,
                                               const std::vector<gemmi::Transform> &extra_seeds) {
    first_ = first;
    second_ = second;
    n_ = n;
    d0_ = d0;
    normaliser_ = normaliser;
    effort_ = effort;
    with_gdt_ = with_gdt;
    best_ = superposition_maxima();
    if (n < 1 || normaliser <= 0) return best_;
    set_cutoffs(d0, with_gdt);
    coordinates_.resize(6 * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        for (int a = 0; a < 3; ++a) {
            coordinates_[a * n + k] = first[k].at(a);
            coordinates_[(3 + a) * n + k] = second[k].at(a);
        }
    for (std::size_t k = keys_.size(); k < static_cast<std::size_t>(n); ++k) {
        keys_.push_back(pair_key(k));
        key_sums_.push_back((k > 0 ? key_sums_[k - 1] : 0) + keys_[k]);
    }
    seed_.resize(n);
    work_.resize(n);
    terms_.resize(n);
    fit1_.resize(n);
    fit2_.resize(n);

    // Too few pairs to refine on: their own fit is the one superposition.
    if (n < 3) {
        evaluate(gemmi::superpose_positions(first, second, n, nullptr).transform, seed_);
        return best_;
    }
    std::fill(visited_.begin(), visited_.end(), 0);
    visited_count_ = 0;
    for (const gemmi::Transform &seed : extra_seeds) refine_seed(seed, 0);
    int length = n;
    for (int lengths = 0; lengths < effort.lengths; ++lengths) {
        const int span = n - length;
        int step = effort.seeds > 0 ? std::max(1, span / std::max(1, effort.seeds - 1))
                                    : std::max({1, length / effort.step_parts, span / effort.max_starts});
        if (span == 0) step = 1;
        for (int start = 0; start <= span; start += step) {
            const std::uint64_t set = key_sums_[start + length - 1] - (start > 0 ? key_sums_[start - 1] : 0);
            refine_seed(gemmi::superpose_positions(first + start, second + start, length, nullptr).transform,
                        set);
            if (span == 0) break;
        }
        if (length <= min_fragment) break;
        length = std::max(min_fragment, length / 2);
    }
    return best_;
}

double superposition_search::max_tm_score(const gemmi::Position *first, const gemmi::Position *second, int n,
                                          double d0, double normaliser, const search_effort &effort,
                                          gemmi::Transform *best) {
    const superposition_maxima m = run(first, second, n, d0, normaliser, false, effort);
    if (best != nullptr) *best = m.best;
    return m.tm_score;
}

}  // namespace pairfit
