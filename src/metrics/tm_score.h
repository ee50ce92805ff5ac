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

// How many seeds a search tries and how far it refines each. Seed
// fragments have the lengths n, n/2, n/4, ... (never below 4, down to 4),
// at most `lengths` of them. Per length, with `seeds` > 0, that many starts
// spread evenly over the pairs; otherwise a start every length /
// `step_parts` pairs, and no more than about `max_starts` starts.
struct search_effort {
    int lengths;
    int seeds;
    int step_parts;
    int max_starts;
    int refits;         // per seed at the TM-score's cutoffs, after the seed's own fit
    int gdt_refits;     // per seed at each GDT cutoff
    bool skip_refined;  // stop where a refinement meets a pair set refined before at its cutoff
    bool
        bound_seeds;  // refine at a GDT cutoff only seeds with at least half the most pairs within met so far
};

// The standard scores' search: every seed length, 60 starts a length
// spread evenly (every start below about 60 pairs), sets refined before
// skipped, three refits at each GDT cutoff after a seed that comes near
// the best.
constexpr search_effort metrics_search{64, 60, 1, 60, 20, 3, true, true};

struct superposition_maxima {
    double tm_score = 0.0;
    gemmi::Transform best;            // moves second onto first at tm_score
    std::array<int, 5> gdt_counts{};  // per gdt_cutoffs entry: most pairs within it
};

// Searches rigid superpositions of second onto first for the highest
// TM-score (and, when asked, the highest GDT counts). Seeds are the fits of
// fragments of consecutive pairs (see search_effort), plus any extra seeds
// given; each seed is refined by fitting the pairs closer than a cutoff and
// collecting them again until the collected set stops changing (the cutoff
// grows by 0.5 Angstrom while fewer than 3 pairs are within it, up to 100)
// or, with skip_refined, becomes one that an earlier refinement at the same
// cutoff fitted already, from where it would go the same way. For the
// TM-score the cutoff is d0 kept within 4.5 to 8 Angstrom, and with the
// GDT counts also that plus 1 Angstrom; for each GDT cutoff the refinement
// uses that cutoff. Every superposition met counts for all the maxima.
class superposition_search {
public:
    // With fewer than 3 pairs only their own fit is scored; with none the
    // result is all zeros and the identity.
    superposition_maxima run(const gemmi::Position *first, const gemmi::Position *second, int n, double d0,
                             double normaliser, bool with_gdt, const search_effort &effort,
                             const std::vector<gemmi::Transform> &extra_seeds = {});

    // The TM-score part alone: the maximum TM-score, its superposition in *best if given.
    double max_tm_score(const gemmi::Position *first, const gemmi::Position *second, int n, double d0,
                        double normaliser, const search_effort &effort, gemmi::Transform *best = nullptr);

private:
    static constexpr int max_cutoffs = 7;  // the two TM-score cutoffs and the five GDT ones
    struct cutoff {
        double value;
        int gdt;  // its index in gdt_cutoffs, or -1
    };
    void set_cutoffs(double d0, bool with_gdt);
    // The pairs' squared distances under move into squared; raises the maxima it beats.
    void evaluate(const gemmi::Transform &move, std::vector<double> &squared);
    int gather(const std::vector<double> &squared, double limit);
    void refine_seed(const gemmi::Transform &seed, std::uint64_t seed_set);
    void refine(int cutoff_index, std::uint64_t seed_set, int refits);
    bool first_visit(std::uint64_t set_hash);

    const gemmi::Position *first_ = nullptr, *second_ = nullptr;
    int n_ = 0;
    double d0_ = 1.0, normaliser_ = 1.0;
    search_effort effort_{};
    bool with_gdt_ = false;
    superposition_maxima best_;
    std::array<cutoff, max_cutoffs> cutoffs_{};
    int cutoff_count_ = 0;
    std::array<int, 5> seed_counts_{};     // per GDT cutoff: the seed's count
    std::vector<double> coordinates_;      // x, y, z of first, then of second, n each
    std::vector<std::uint64_t> keys_;      // per pair: its share of a set's hash
    std::vector<std::uint64_t> key_sums_;  // keys summed up to each pair, for fragments
    std::vector<double> seed_, work_, terms_;
    std::vector<int> selected_;  // the pairs of the next fit
    std::vector<gemmi::Position> fit1_, fit2_;
    // The sets refined from so far (hashes, open addressing, 0: empty).
    std::vector<std::uint64_t> visited_;
    std::size_t visited_count_ = 0;
};

}  // namespace pairfit

#endif
