#include "align/structure_alignment.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <gemmi/qcp.hpp>

#include "align/alignment_dp.h"
#include "align/secondary_structure.h"
#include "metrics/tm_score.h"

namespace pairfit {

namespace {

// Gap-opening penalties of the dynamic programming on distance scores and
// on secondary structure.
constexpr float distance_gap_open = 0.6f;
// The refinement runs once with each of these gap-opening penalties.
constexpr float refinement_gap_opens[] = {0.6f, 0.0f};
constexpr float structure_gap_open = 1.0f;
constexpr int max_refinements = 30;
// Short fragments whose superpositions seed alignments, and how many of
// them are followed up.
constexpr int fragment_length = 10;
constexpr int fragment_seeds = 6;
constexpr double fragment_max_rms = 2.0;
// Alignments compared by the thorough superposition search at the end.
constexpr size_t final_candidates = 4;

struct float3 {
    float x, y, z;
};

class aligner {
public:
    aligner(const std::vector<gemmi::Position> &x, const std::vector<gemmi::Position> &y)
        : x_(x),
          y_(y),
          n1_(static_cast<int>(x.size())),
          n2_(static_cast<int>(y.size())),
          d0_(tm_score_d0(n1_)),
          inv_d0sq_(static_cast<float>(1.0 / (d0_ * d0_))) {
        x_float_.resize(n1_);
        for (int i = 0; i < n1_; ++i) x_float_[i] = to_float(x[i]);
        moved_.resize(n2_);
    }

    structure_alignment run();

private:
    static float3 to_float(const gemmi::Vec3 &v) {
        return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    }
    // The aligned pairs of match into px_, py_; their number.
    int collect(const std::vector<int> &match);
    struct tm_fit {
        double score = 0.0;
        gemmi::Transform transform;  // moves the second trace onto the first
    };
    tm_fit fit(const std::vector<int> &match, const search_effort &effort) {
        const int n = collect(match);
        if (n < 3) return tm_fit();
        const superposition_maxima m =
            superposition_search_.run(px_.data(), py_.data(), n, d0_, n1_, false, effort);
        return {m.tm_score, m.best};
    }
    void move_second(const gemmi::Transform &t) {
        for (int j = 0; j < n2_; ++j) moved_[j] = to_float(t.apply(y_[j]));
    }
    float distance_score(int i, int j) const {
        const float dx = x_float_[i].x - moved_[j].x, dy = x_float_[i].y - moved_[j].y,
                    dz = x_float_[i].z - moved_[j].z;
        return 1.0f / (1.0f + (dx * dx + dy * dy + dz * dz) * inv_d0sq_);
    }
    // The alignment by distance scores under t.
    void align_under(const gemmi::Transform &t, std::vector<int> &match, float gap_open = distance_gap_open) {
        move_second(t);
        dp_.align(
            n1_, n2_, gap_open, [this](int i, int j) { return distance_score(i, j); }, match);
    }
    // Alternates fit and alignment from match until the alignment repeats;
    // offers every alignment met to consider().
    void refine(const std::vector<int> &start);
    void consider(const std::vector<int> &match, double tm);

    gemmi::Transform best_threading();
    void fragment_seeds_into(std::vector<gemmi::Transform> &seeds);

    const std::vector<gemmi::Position> &x_, &y_;
    const int n1_, n2_;
    const double d0_;
    const float inv_d0sq_;
    std::vector<float3> x_float_, moved_;
    std::vector<gemmi::Position> px_, py_;
    superposition_search superposition_search_;
    alignment_dp dp_;
    // The best alignments met, by the quick score, for the final choice.
    struct candidate {
        std::vector<int> match;
        double tm;
    };
    std::vector<candidate> candidates_;
};

int aligner::collect(const std::vector<int> &match) {
    px_.clear();
    py_.clear();
    for (int i = 0; i < n1_; ++i)
        if (match[i] >= 0) {
            px_.push_back(x_[i]);
            py_.push_back(y_[match[i]]);
        }
    return static_cast<int>(px_.size());
}

void aligner::consider(const std::vector<int> &match, double tm) {
    for (candidate &c : candidates_)
        if (c.match == match) return;
    candidates_.push_back({match, tm});
}

void aligner::refine(const std::vector<int> &start) {
    std::vector<int> match, next, best_match;
    for (float gap_open : refinement_gap_opens) {
        match = start;
        double best_tm = -1.0;
        for (int round = 0; round < max_refinements; ++round) {
            const tm_fit f = fit(match, iteration_tm_search);
            if (f.score > best_tm) {
                best_tm = f.score;
                best_match = match;
            }
            align_under(f.transform, next, gap_open);
            if (next == match) break;
            match.swap(next);
        }
        if (best_tm >= 0.0) consider(best_match, best_tm);
    }
}

// Gapless threading: every offset of the second trace along the first with
// an overlap of at least half the shorter one; the superposition of the
// offset with the highest TM-score.
gemmi::Transform aligner::best_threading() {
    const int min_overlap = std::max(5, std::min(n1_, n2_) / 2);
    tm_fit best;
    std::vector<int> match(n1_);
    for (int offset = -(n2_ - min_overlap); offset <= n1_ - min_overlap; ++offset) {
        // Position i of the first trace faces i - offset of the second.
        for (int i = 0; i < n1_; ++i) {
            const int j = i - offset;
            match[i] = j >= 0 && j < n2_ ? j : -1;
        }
        const tm_fit f = fit(match, quick_tm_search);
        if (f.score > best.score) best = f;
    }
    return best.transform;
}

// Superpositions of fragment pairs (sampled along both traces) that
// superpose closely, ranked by the TM-score they give the gapless alignment
// through the fragment pair; the best few on different diagonals.
void aligner::fragment_seeds_into(std::vector<gemmi::Transform> &seeds) {
    const int length = std::min({fragment_length, n1_, n2_});
    // Sample at most about 40000 fragment pairs.
    const int stride = std::max(2, static_cast<int>(std::ceil(std::sqrt(n1_ * double(n2_) / 40000.0))));
    struct seed {
        double tm;
        int offset;
        gemmi::Transform t;
    };
    std::vector<seed> found;
    const double inv = 1.0 / (d0_ * d0_);
    for (int i = 0; i + length <= n1_; i += stride)
        for (int j = 0; j + length <= n2_; j += stride) {
            const double rms = gemmi::calculate_rmsd_of_superposed_positions(&x_[i], &y_[j], length, nullptr);
            if (rms > fragment_max_rms) continue;
            const gemmi::SupResult s = gemmi::superpose_positions(&x_[i], &y_[j], length, nullptr);
            const int offset = i - j;
            double sum = 0.0;
            for (int a = std::max(0, offset); a < n1_ && a - offset < n2_; ++a)
                sum += 1.0 / (1.0 + s.transform.apply(y_[a - offset]).dist_sq(x_[a]) * inv);
            found.push_back({sum, offset, s.transform});
        }
    std::sort(found.begin(), found.end(), [](const seed &a, const seed &b) { return a.tm > b.tm; });
    std::vector<int> offsets;
    for (const seed &s : found) {
        if (static_cast<int>(seeds.size()) >= fragment_seeds) break;
        bool near = false;
        for (int o : offsets) near = near || std::abs(o - s.offset) < length;
        if (near) continue;
        offsets.push_back(s.offset);
        seeds.push_back(s.t);
    }
}

structure_alignment aligner::run() {
    std::vector<int> match;
    // 1. Gapless threading.
    const gemmi::Transform threading = best_threading();
    align_under(threading, match);
    refine(match);
    // 2. Secondary structure alone.
    const std::string ss1 = assign_secondary_structure(x_), ss2 = assign_secondary_structure(y_);
    dp_.align(
        n1_, n2_, structure_gap_open, [&](int i, int j) { return ss1[i] == ss2[j] ? 1.0f : 0.0f; }, match);
    refine(match);
    // 3. Secondary structure and distances under the threading's superposition.
    move_second(threading);
    dp_.align(
        n1_, n2_, distance_gap_open,
        [&](int i, int j) { return (ss1[i] == ss2[j] ? 0.5f : 0.0f) + distance_score(i, j); }, match);
    refine(match);
    // 4. Superposed fragments.
    std::vector<gemmi::Transform> seeds;
    fragment_seeds_into(seeds);
    for (const gemmi::Transform &t : seeds) {
        align_under(t, match);
        refine(match);
    }
    // The final choice by the thorough search, among the few best by the
    // quicker one (most of the rest are near-copies of them).
    std::sort(candidates_.begin(), candidates_.end(),
              [](const candidate &a, const candidate &b) { return a.tm > b.tm; });
    if (candidates_.size() > final_candidates) candidates_.resize(final_candidates);
    structure_alignment best;
    best.tm_score = -1.0;
    for (const candidate &c : candidates_) {
        const double tm = fit(c.match, thorough_tm_search).score;
        if (tm > best.tm_score) {
            best.tm_score = tm;
            best.match = c.match;
        }
    }
    return best;
}

}  // namespace

structure_alignment align_structures(const std::vector<gemmi::Position> &x,
                                     const std::vector<gemmi::Position> &y) {
    return aligner(x, y).run();
}

}  // namespace pairfit
