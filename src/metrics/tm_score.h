// The superposition scores of paired coordinates: the TM-score under one
// superposition, and the search for the superpositions that maximise the
// TM-score and the GDT counts. Used by the metrics and by the structural
// aligner, which calls the search many times: a superposition_search keeps
// its storage between calls, so repeated calls do not allocate.
#ifndef PAIRFIT_METRICS_TM_SCORE_H
#define PAIRFIT_METRICS_TM_SCORE_H

#include <array>
#include <cstdint>
#include <vector>

#include <gemmi/math.hpp>
#include <gemmi/unitcell.hpp>

namespace pairfit {

// The TM-score's distance scale for a reference of length residues:
// 1.24 (length - 15)^(1/3) - 1.8, not below 0.5 (0.5 below 15 residues).
double tm_score_d0(int length);

// (1 / normaliser) times the sum over the n pairs of 1 / (1 + (d / d0)^2),
// d the distance between first[k] and second[k] moved by move.
double tm_score_under(const gemmi::Transform &move, const gemmi::Position *first,
                      const gemmi::Position *second, int n, double d0, double normaliser);

// The GDT cutoffs, Angstrom: GDT-HA takes the first four, GDT-TS the last
// four. A pair is within a cutoff when its distance is below it.
constexpr std::array<double, 5> gdt_cutoffs{{0.5, 1.0, 2.0, 4.0, 8.0}};

struct superposition_maxima {
    double tm_score = 0.0;
    gemmi::Transform best;                  // moves second onto first at tm_score
    std::array<int, 5> gdt_counts{};        // per gdt_cutoffs entry: most pairs within it
};

// Searches rigid superpositions of second onto first for the highest
// TM-score (and, when asked, the highest GDT counts). Seeds are the fits of
// fragments of consecutive pairs of lengths n, n/2, n/4, ... down to 4,
// slid along the pairs one at a time, plus any extra seeds given; each seed
// is refined by fitting the pairs closer than a cutoff and collecting them
// again until the collected set stops changing (the cutoff grows by 0.5
// Angstrom while fewer than 3 pairs are within it) or becomes one that an
// earlier refinement at the same cutoff fitted already, from where it
// would go the same way. For the TM-score the cutoffs are d0 kept within
// 4.5 to 8 Angstrom, and that plus 1 Angstrom; for each GDT cutoff the
// refinement uses that cutoff. Every superposition met counts for all the
// maxima.
class superposition_search {
public:
    // With fewer than 3 pairs only their own fit is scored; with none the
    // result is all zeros and the identity.
    superposition_maxima run(const gemmi::Position *first, const gemmi::Position *second, int n,
                             double d0, double normaliser, bool with_gdt,
                             const std::vector<gemmi::Transform> &extra_seeds = {});

    // The TM-score part alone: the maximum TM-score, its superposition in *best if given.
    double max_tm_score(const gemmi::Position *first, const gemmi::Position *second, int n, double d0,
                        double normaliser, gemmi::Transform *best = nullptr);

private:
    static constexpr int cutoff_count = 7;  // the two TM-score cutoffs and the five GDT ones
    // The pairs' distances under one superposition, and for each cutoff (in
    // increasing order) how many pairs are within it and the hash of that set.
    struct distances {
        std::vector<double> squared;
        std::array<int, cutoff_count> count{};
        std::array<std::uint64_t, cutoff_count> hash{};
    };
    void evaluate(const gemmi::Transform &move, distances &out);
    void refine_seed(const gemmi::Transform &seed);
    void refine(int cutoff_index);
    bool first_visit(std::uint64_t set_hash);

    const gemmi::Position *first_ = nullptr, *second_ = nullptr;
    int n_ = 0;
    double d0_ = 1.0, normaliser_ = 1.0;
    bool with_gdt_ = false;
    superposition_maxima best_;
    std::array<double, cutoff_count> cutoffs_{};     // increasing
    std::array<int, 2> tm_index_{};                   // where the TM-score's cutoffs are in cutoffs_
    std::array<int, 5> gdt_index_{};                  // and the GDT ones
    std::vector<std::uint64_t> keys_;                 // per pair: its share of a set's hash
    distances seed_, work_;
    std::vector<gemmi::Position> fit1_, fit2_;
    // The sets refined from so far (hashes, open addressing, 0: empty).
    std::vector<std::uint64_t> visited_;
    std::size_t visited_count_ = 0;
};

}  // namespace pairfit

#endif
