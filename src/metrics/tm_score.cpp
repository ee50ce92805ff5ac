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
    for (int k = 0; k < n; ++k) sum += 1.0 / (1.0 + squared_distance(move, first[k], second[k]) * scale);
    return normaliser > 0 ? sum / normaliser : 0.0;
}

// Scores move into out (distances, and per cutoff the count and hash of the
// pairs within it) and raises the maxima it beats. One pass: each pair goes
// to the bucket of the smallest cutoff it is within, then the buckets are
// summed up the cutoffs. A distance that is not a number is within none.
void superposition_search::evaluate(const gemmi::Transform &move, distances &out) {
    const double scale = 1.0 / (d0_ * d0_);
    std::array<double, cutoff_count> limits;
    for (int c = 0; c < cutoff_count; ++c) limits[c] = cutoffs_[c] * cutoffs_[c];
    std::array<int, cutoff_count + 1> count{};
    std::array<std::uint64_t, cutoff_count + 1> hash{};
    double sum = 0.0;
    for (int k = 0; k < n_; ++k) {
        const double d2 = squared_distance(move, first_[k], second_[k]);
        out.squared[k] = d2;
        sum += 1.0 / (1.0 + d2 * scale);
        int bucket = 0;
        for (int c = 0; c < cutoff_count; ++c) bucket += !(d2 < limits[c]);
        ++count[bucket];
        hash[bucket] += keys_[k];
    }
    int within = 0;
    std::uint64_t set_hash = 0;
    for (int c = 0; c < cutoff_count; ++c) {
        within += count[c];
        set_hash += hash[c];
        out.count[c] = within;
        out.hash[c] = set_hash;
    }
    const double tm = sum / normaliser_;
    if (tm > best_.tm_score) {
        best_.tm_score = tm;
        best_.best = move;
    }
    for (std::size_t c = 0; c < gdt_index_.size(); ++c)
        best_.gdt_counts[c] = std::max(best_.gdt_counts[c], out.count[gdt_index_[c]]);
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

// Refines at cutoffs_[cutoff_index] from the seed's distances in seed_.
void superposition_search::refine(int cutoff_index) {
    const distances *current = &seed_;
    std::uint64_t previous = 0;
    for (int round = 0; round < max_refinements; ++round) {
        const std::vector<double> &squared = current->squared;
        double cutoff = cutoffs_[cutoff_index];
        std::uint64_t set_hash = current->hash[cutoff_index];
        if (current->count[cutoff_index] < 3) {
            // The third smallest distance tells how far the cutoff must grow
            // (a fit gone wrong on degenerate input may leave fewer than 3 numbers).
            double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
            for (int k = 0; k < n_; ++k) {
                double d2 = squared[k];
                if (!(d2 < low[2])) continue;
                if (d2 < low[0]) std::swap(d2, low[0]);
                if (d2 < low[1]) std::swap(d2, low[1]);
                low[2] = d2;
            }
            if (!(low[2] < HUGE_VAL)) return;
            cutoff += 0.5 * (std::floor((std::sqrt(low[2]) - cutoff) / 0.5) + 1.0);
            set_hash = 0;
            for (int k = 0; k < n_; ++k)
                if (squared[k] < cutoff * cutoff) set_hash += keys_[k];
        }
        if (round > 0 && set_hash == previous) return;
        // The set's hash, told apart by the cutoff it was collected at.
        if (!first_visit(set_hash ^ ((cutoff_index + 1) * 0xd6e8feb86659fd93ULL))) return;
        previous = set_hash;
        fit1_.clear();
        fit2_.clear();
        const double limit = cutoff * cutoff;
        for (int k = 0; k < n_; ++k)
            if (squared[k] < limit) {
                fit1_.push_back(first_[k]);
                fit2_.push_back(second_[k]);
            }
        evaluate(gemmi::superpose_positions(fit1_.data(), fit2_.data(), fit1_.size(), nullptr).transform, work_);
        current = &work_;
    }
}

// Scores the seed, then refines it at the TM-score's cutoffs and, when the
// GDT counts are wanted, at each GDT cutoff.
void superposition_search::refine_seed(const gemmi::Transform &seed) {
    evaluate(seed, seed_);
    for (int index : tm_index_) refine(index);
    if (with_gdt_)
        for (int index : gdt_index_) refine(index);
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

    // The cutoffs in increasing order, and where each one went.
    const double tm_cutoff = std::min(8.0, std::max(4.5, d0));
    std::array<std::pair<double, int>, cutoff_count> order{
        {{tm_cutoff, 0}, {tm_cutoff + 1.0, 1}}};
    for (std::size_t c = 0; c < gdt_cutoffs.size(); ++c) order[2 + c] = {gdt_cutoffs[c], 2 + static_cast<int>(c)};
    std::sort(order.begin(), order.end());
    for (int i = 0; i < cutoff_count; ++i) {
        cutoffs_[i] = order[i].first;
        if (order[i].second < 2)
            tm_index_[order[i].second] = i;
        else
            gdt_index_[order[i].second - 2] = i;
    }
    for (std::size_t k = keys_.size(); k < static_cast<std::size_t>(n); ++k) keys_.push_back(pair_key(k));
    seed_.squared.resize(n);
    work_.squared.resize(n);

    // Too few pairs to refine on: their own fit is the one superposition.
    if (n < 3) {
        evaluate(gemmi::superpose_positions(first, second, n, nullptr).transform, seed_);
        return best_;
    }
    std::fill(visited_.begin(), visited_.end(), 0);
    visited_count_ = 0;
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
