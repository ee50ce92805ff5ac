#include "metrics/tm_score.h"

#include <algorithm>
#include <cmath>

#include <gemmi/qcp.hpp>

namespace pairfit {

namespace {

// Refinement stops after this many refits even when the set still changes.
constexpr int max_refinements = 20;
// The shortest fragment that seeds a superposition.
constexpr int min_fragment = 4;

double squared_distance(const gemmi::Transform &move, const gemmi::Position &a, const gemmi::Position &b) {
    const gemmi::Mat33 &r = move.mat;
    const double x = r.a[0][0] * b.x + r.a[0][1] * b.y + r.a[0][2] * b.z + move.vec.x - a.x;
    const double y = r.a[1][0] * b.x + r.a[1][1] * b.y + r.a[1][2] * b.z + move.vec.y - a.y;
    const double z = r.a[2][0] * b.x + r.a[2][1] * b.y + r.a[2][2] * b.z + move.vec.z - a.z;
    return x * x + y * y + z * z;
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
    for (int k = 0; k < n; ++k) sum += 1.0 / (1.0 + squared_distance(move, first[k], second[k]) * scale);
    return normaliser > 0 ? sum / normaliser : 0.0;
}

// Scores move: fills squared_ and raises the maxima it beats.
double superposition_search::evaluate(const gemmi::Transform &move) {
    const double scale = 1.0 / (d0_ * d0_);
    std::array<double, 5> limits;
    for (std::size_t c = 0; c < limits.size(); ++c) limits[c] = gdt_cutoffs[c] * gdt_cutoffs[c];
    std::array<int, 5> counts{};
    double sum = 0.0;
    for (int k = 0; k < n_; ++k) {
        const double d2 = squared_distance(move, first_[k], second_[k]);
        squared_[k] = d2;
        sum += 1.0 / (1.0 + d2 * scale);
        if (with_gdt_)
            for (std::size_t c = 0; c < limits.size(); ++c) counts[c] += d2 <= limits[c];
    }
    const double tm = sum / normaliser_;
    if (tm > best_.tm_score) {
        best_.tm_score = tm;
        best_.best = move;
    }
    for (std::size_t c = 0; c < counts.size(); ++c) best_.gdt_counts[c] = std::max(best_.gdt_counts[c], counts[c]);
    return tm;
}

// Collects the pairs closer than cutoff (widened by 0.5 Angstrom at a time
// until at least 3 are in); false when they are the set collected before.
bool superposition_search::collect(double cutoff) {
    auto gather = [this](double limit) {
        collected_.clear();
        for (int k = 0; k < n_; ++k)
            if (squared_[k] < limit * limit) collected_.push_back(k);
    };
    gather(cutoff);
    if (collected_.size() < 3) {
        // The third smallest distance tells how far the cutoff must grow
        // (a fit gone wrong on degenerate input may leave fewer than 3 numbers).
        double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
        for (int k = 0; k < n_; ++k) {
            double d2 = squared_[k];
            if (!(d2 < low[2])) continue;
            if (d2 < low[0]) std::swap(d2, low[0]);
            if (d2 < low[1]) std::swap(d2, low[1]);
            low[2] = d2;
        }
        if (!(low[2] < HUGE_VAL)) return false;
        const double third = std::sqrt(low[2]);
        gather(cutoff + 0.5 * (std::floor((third - cutoff) / 0.5) + 1.0));
    }
    return collected_ != previous_;
}

gemmi::Transform superposition_search::fit_collected() {
    fit1_.clear();
    fit2_.clear();
    for (int k : collected_) {
        fit1_.push_back(first_[k]);
        fit2_.push_back(second_[k]);
    }
    return gemmi::superpose_positions(fit1_.data(), fit2_.data(), fit1_.size(), nullptr).transform;
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

// Refines from the superposition whose distances squared_ holds.
void superposition_search::refine(double cutoff, std::uint64_t cutoff_tag) {
    previous_.clear();
    for (int round = 0; round < max_refinements; ++round) {
        if (!collect(cutoff)) break;
        std::uint64_t h = cutoff_tag * 0x9e3779b97f4a7c15ULL;
        for (int k : collected_) h = (h ^ static_cast<std::uint64_t>(k)) * 0x100000001b3ULL + 0x632be59bd9b4e019ULL;
        if (!first_visit(h)) break;
        evaluate(fit_collected());
        previous_.swap(collected_);
    }
}

// Scores the seed, then refines it for the TM-score and each GDT cutoff,
// each refinement starting from the seed's distances.
void superposition_search::refine_seed(const gemmi::Transform &seed) {
    evaluate(seed);
    seed_squared_.assign(squared_.begin(), squared_.end());
    refine(tm_cutoff_, 1);
    std::copy(seed_squared_.begin(), seed_squared_.end(), squared_.begin());
    refine(tm_cutoff_ + 1.0, 2);
    if (!with_gdt_) return;
    for (std::size_t c = 0; c < gdt_cutoffs.size(); ++c) {
        std::copy(seed_squared_.begin(), seed_squared_.end(), squared_.begin());
        refine(gdt_cutoffs[c], c + 3);
    }
}

superposition_maxima superposition_search::run(const gemmi::Position *first, const gemmi::Position *second,
                                               int n, double d0, double normaliser, bool with_gdt,
                                               const std::vector<gemmi::Transform> &extra_seeds) {
    first_ = first;
    second_ = second;
    n_ = n;
    d0_ = d0;
    normaliser_ = normaliser;
    with_gdt_ = with_gdt;
    best_ = superposition_maxima();
    if (n < 1 || normaliser <= 0) return best_;
    squared_.resize(n);
    // Too few pairs to refine on: their own fit is the one superposition.
    if (n < 3) {
        evaluate(gemmi::superpose_positions(first, second, n, nullptr).transform);
        return best_;
    }
    const double tm_cutoff = std::min(8.0, std::max(4.5, d0));

    std::fill(visited_.begin(), visited_.end(), 0);
    visited_count_ = 0;
    tm_cutoff_ = tm_cutoff;
    for (const gemmi::Transform &seed : extra_seeds) refine_seed(seed);
    for (int length = n;; length /= 2) {
        for (int start = 0; start + length <= n; ++start)
            refine_seed(gemmi::superpose_positions(first + start, second + start, length, nullptr).transform);
        if (length / 2 < min_fragment) break;
    }
    return best_;
}

double superposition_search::max_tm_score(const gemmi::Position *first, const gemmi::Position *second, int n,
                                          double d0, double normaliser, gemmi::Transform *best) {
    const superposition_maxima m = run(first, second, n, d0, normaliser, false);
    if (best != nullptr) *best = m.best;
    return m.tm_score;
}

}  // namespace pairfit
