// The fast mode as users reach it: compare() with search_mode::fast, and
// pairfit -fast / -j against the library.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fast/fast_search.h"
#include "test_util.h"

namespace {

pairfit::compare_options fast_options(int threads) {
    pairfit::compare_options o;
    o.mode = pairfit::search_mode::fast;
    o.threads = threads;
    o.per_size_scores = true;
    return o;
}

// Records what the observer hears.
struct heard : pairfit::search_observer {
    std::vector<pairfit::growth_step> best;
    int steps = 0, fits = 0;
    bool wants_fits() const override { return true; }
    void step_scored(const pairfit::growth_step &) override { ++steps; }
    void new_best(const pairfit::growth_step &s) override { best.push_back(s); }
    void fitted(const pairfit::fit_snapshot &) override { ++fits; }
};

TEST(FastCompare, ResultIsTheSearchsSubsetRefittedAndTheSameForAnyThreads) {
    pairfit::structure one = read_atoms(example_file("demo_ldh_6ldh_A.pdb"));
    pairfit::structure two = read_atoms(example_file("demo_ldh_1ldm_A.pdb"));
    pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
    heard events;
    pairfit::compare_options options = fast_options(1);
    options.observer = &events;
    pairfit::result r = pairfit::compare(one, two, pairs, options);
    pairfit::result r2 = pairfit::compare(one, two, pairs, fast_options(2));

    // The search's own values, its subset refitted.
    std::vector<gemmi::Vec3> a, b;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const pairfit::ca_atom &p = one.atoms[pairs.first[k]], &q = two.atoms[pairs.second[k]];
        a.push_back({p.x, p.y, p.z});
        b.push_back({q.x, q.y, q.z});
    }
    pairfit::detail::fast_search_options search;
    search.per_size_scores = true;
    const pairfit::detail::fast_search_result found = pairfit::detail::fast_search(a, b, search);
    EXPECT_EQ(std::tie(r.size, r.rms, r.score, r.pvalue, r.in_subset, r.score_by_size, r.final_rms),
              std::tie(found.size, found.rms, found.score, found.pvalue, found.in_subset, found.score_by_size,
                       r.rms));

    // One event: the subset chosen.
    ASSERT_EQ(events.best.size(), 1u);
    EXPECT_EQ(events.best[0].size, r.size);
    EXPECT_EQ(events.best[0].pvalue, r.pvalue);
    EXPECT_EQ(events.steps + events.fits, 0);

    // Coordinates, transform and distances agree with each other.
    double sum = 0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        std::array<double, 3> moved = r.transform.apply(pairfit::from_gemmi(b[k]));
        double d2 = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(r.superposed1[k][i], pairfit::component(a[k], i) + r.reference_shift[i], 1e-9);
            EXPECT_NEAR(r.superposed2[k][i], moved[i] + r.reference_shift[i], 1e-9);
            d2 += (r.superposed1[k][i] - r.superposed2[k][i]) * (r.superposed1[k][i] - r.superposed2[k][i]);
        }
        EXPECT_NEAR(r.distances[k], std::sqrt(d2), 1e-9);
        if (r.in_subset[k]) sum += d2;
    }
    EXPECT_NEAR(std::sqrt(sum / r.size), r.final_rms, 1e-9);

    EXPECT_EQ(std::tie(r.size, r.pvalue, r.in_subset, r.distances, r.superposed2),
              std::tie(r2.size, r2.pvalue, r2.in_subset, r2.distances, r2.superposed2));
}

// No subset accepted, and the last seed's path ends at its four pairs, the
// others lying 1000 Angstrom off: distances under the seed's fit, as the
// exact mode gives them.
TEST(FastCompare, DistancesUnderTheLastSeedsFitWhenNoneIsAccepted) {
    const pairfit::structure one = read_atoms(data_file("ubiquitin_1ubq_first12_ca.pdb"));
    pairfit::structure two = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    const pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
    for (size_t k = 0; k < pairs.size(); ++k)
        if (k < 7 || k > 10) two.atoms[pairs.second[k]].x += 1000;
    const pairfit::result fast = pairfit::compare(one, two, pairs, fast_options(1));
    const pairfit::result exact = pairfit::compare(one, two, pairs);
    ASSERT_EQ(fast.size + exact.size, 0);
    for (size_t k = 0; k < pairs.size(); ++k) EXPECT_NEAR(fast.distances[k], exact.distances[k], 1e-5) << k;
}

TEST(FastCommandLine, OutputIsTheLibrarysAndTheSameForAnyThreadCount) {
    const std::string files =
        data_file("ubiquitin_1ubq_xray.pdb") + " " + data_file("ubiquitin_1d3z_model1.pdb");
    Scratch pdb1("fast1.pdb", ""), pdb2("fast2.pdb", "");
    RunResult one = run_pairfit("-fast -a -o -b -v -pdb " + quote(pdb1.path) + " " + files);
    RunResult two = run_pairfit("-fast -j 2 -a -o -b -v -pdb " + quote(pdb2.path) + " " + files);
    RunResult every = run_pairfit("-fast -j 0 -a -o -b -v " + files);
    ASSERT_EQ(one.status, 0);
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(read_file(pdb1.path), read_file(pdb2.path));
    EXPECT_FALSE(read_file(pdb1.path).empty());
    EXPECT_EQ(every.out, one.out);

    pairfit::structure a = read_atoms(data_file("ubiquitin_1ubq_xray.pdb"));
    pairfit::structure b = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    pairfit::compare_options options = fast_options(1);
    pairfit::result r = pairfit::compare(a, b, pairfit::pair_by_residue_number(a, b), options);
    char good[160];
    std::snprintf(good, sizeof good, "GOOD1:\t%.2f\t%d\t%.1f\t%.1f\t%e\n",
                  static_cast<double>(r.size) / r.npairs, r.size, r.rms, r.score, r.pvalue);
    const std::string score = "SCORE:\t" + pairfit::score_values(r) + "\n";
    // -a and -f print one GOOD1 line, for the subset chosen; -v nothing more.
    EXPECT_EQ(one.out.substr(0, std::string(good).size() + score.size()), good + score);
    EXPECT_EQ(one.out.find("FRAC1"), std::string::npos);
}

}  // namespace
