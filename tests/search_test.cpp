// The seed-and-grow search on small hand-made pairs where one rule decides
// the outcome. Mostly molecule 2 sits at the origin and molecule 1 on the x
// axis: the fit cannot turn anything, so every RMS is known in advance.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using point = std::array<double, 3>;
using lines = std::vector<std::string>;

// A pair of structures, paired atom for atom, and what a search of it found.
pairfit::structure one, two;
pairfit::pairing pairs;
pairfit::result best;

pairfit::structure structure_of(const std::vector<point> &at) {
    pairfit::structure s;
    for (size_t i = 0; i < at.size(); ++i) {
        pairfit::ca_atom a;
        a.x = at[i][0], a.y = at[i][1], a.z = at[i][2];
        a.serial = a.residue_number = static_cast<int>(i) + 1;
        a.atom_name = "CA";
        a.residue_name = "GLY";
        s.atoms.push_back(a);
    }
    return s;
}

void load(const std::vector<point> &first, const std::vector<point> &second) {
    one = structure_of(first);
    two = structure_of(second);
    pairs = pairfit::pair_by_residue_number(one, two);
}

void on_axis(const std::vector<double> &xs) {
    std::vector<point> first;
    for (double x : xs) first.push_back({x, 0, 0});
    load(first, std::vector<point>(xs.size(), point{0, 0, 0}));
}

// The same stretch of helix in both structures.
void helix(int n) {
    std::vector<point> h;
    for (int i = 0; i < n; ++i)
        h.push_back({2.3 * std::cos(1.745 * i), 2.3 * std::sin(1.745 * i), 1.5 * i - 10});
    load(h, h);
}

// Writes what the search reports as FRAC1 and GOOD1 lines, every step,
// and keeps the first growth step's fit.
struct recorder : pairfit::search_observer {
    lines l;
    bool keep_fits = false;
    std::vector<int> first_selected;
    std::vector<double> first_squared;
    void add(const char *label, const pairfit::growth_step &s) {
        const std::string line = progress_line(label, s);
        l.push_back(line.substr(0, line.size() - 1));
    }
    bool wants_fits() const override { return keep_fits; }
    void step_scored(const pairfit::growth_step &s) override { add("FRAC1", s); }
    void new_best(const pairfit::growth_step &s) override { add("GOOD1", s); }
    void fitted(const pairfit::fit_snapshot &f) override {
        if (!first_selected.empty()) return;
        first_selected.assign(f.selected, f.selected + f.npairs);
        first_squared.assign(f.squared_distances, f.squared_distances + f.npairs);
    }
};

// The lines of a search that reports every step.
lines search(int min_size, recorder *r = nullptr) {
    recorder own;
    if (r == nullptr) r = &own;
    pairfit::compare_options options;
    options.min_size = min_size;
    options.per_size_scores = true;
    options.observer = r;
    best = pairfit::compare(one, two, pairs, options);
    return r->l;
}

// Lines that start with label and, unless k is 0, report a subset of k pairs.
int count(const lines &l, const std::string &label, int k = 0) {
    int n = 0;
    for (const std::string &s : l)
        n += s.rfind(label + ":\t", 0) == 0 && (k == 0 || std::stoi(s.substr(s.find('\t', 7) + 1)) == k);
    return n;
}

}  // namespace

TEST(Search, FiveToTwentyPairs) {
    for (int n = 0; n <= 4; ++n) {  // no seed
        helix(n);
        recorder r;
        r.keep_fits = true;
        EXPECT_EQ(search(0, &r), lines{}) << n;
        EXPECT_TRUE(r.first_selected.empty());
        EXPECT_TRUE(best.size == 0 && best.pvalue == 1.0);
    }
    helix(5);  // one seed and one step, accepted only above the minimum size
    EXPECT_EQ(search(19), lines{"FRAC1:\t1.00\t5\t0.0\t100.0\t9.999997e-01"});
    EXPECT_EQ(best.size, 0);
    helix(5);
    EXPECT_EQ(search(4), (lines{"FRAC1:\t1.00\t5\t0.0\t100.0\t9.999997e-01",
                                "GOOD1:\t1.00\t5\t0.0\t100.0\t9.999997e-01"}));
    EXPECT_EQ(best.size, 5);
    helix(19);  // nineteen pairs are never accepted, twenty can be
    lines l = search(19);
    EXPECT_EQ(count(l, "FRAC1", 19), 15);
    EXPECT_TRUE(count(l, "GOOD1") == 0 && best.size == 0);
    // Each of the 16 seeds grows to all 20 pairs at the same p-value, and each
    // has it accepted again: equal p-values go to the later subset.
    helix(20);
    EXPECT_EQ(count(search(19), "GOOD1", 20), 16);
    EXPECT_EQ(best.size, 20);
}

TEST(Search, Ties) {
    // Two groups of five coinciding pairs, 200 Angstrom apart: seeds 0 and 1
    // find the first, seed 5 the second with the same score; the later wins.
    on_axis({0, 0, 0, 0, 0, 200, 200, 200, 200, 200});
    EXPECT_EQ(count(search(4), "GOOD1"), 3);
    EXPECT_EQ(best.in_subset, (std::vector<char>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));
    // Pairs 4, 5 and 12 are equally far from the seed 0-3, in the same lane of
    // the vectors (4 and 12) or not (4 and 5): pair 4, the lowest, is added.
    on_axis({0, 0, 0, 0, 1, -1, 300, 300, 300, 300, 300, 300, -1});
    recorder r;
    r.keep_fits = true;
    lines l = search(19, &r);
    ASSERT_GE(l.size(), 1u);
    EXPECT_EQ(l[0], "FRAC1:\t0.38\t5\t0.4\t97.1\t1.000000e+00");
    EXPECT_EQ(r.first_selected, (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(r.first_squared[4], 0.64);
}

TEST(Search, GrowthCutoff) {
    // A seed at an RMS of exactly 5 is not grown; one just below is.
    on_axis({-5, -5, 5, 5, 0});
    EXPECT_EQ(search(0), lines{});
    on_axis({-4.5, -4.5, 4.5, 4.5, 0});
    EXPECT_EQ(search(0).size(), 2u);
    // Adding the pair at 12.5 brings the RMS to exactly 5: that subset is still
    // scored and accepted, but the pair at 20 is never added.
    on_axis({0, 0, 0, 0, 12.5, 20});
    EXPECT_EQ(search(0), (lines{"FRAC1:\t0.83\t5\t5.0\t36.5\t1.000000e+00",
                                "GOOD1:\t0.83\t5\t5.0\t36.5\t1.000000e+00"}));
    // The cutoff rises by one every 45 pairs: an RMS of 5.5 ends the growth at
    // 44 pairs (40 seeds get there) but not at 45.
    std::vector<double> x(43, 0.0);
    x.insert(x.end(), {5.5 * 44 / std::sqrt(43.0), -60});
    on_axis(x);
    lines l = search(19);
    EXPECT_EQ(count(l, "FRAC1", 44), 40);
    EXPECT_EQ(count(l, "FRAC1", 45), 0);
    x.assign(44, 0.0);
    x.insert(x.end(), {5.5 * 45 / std::sqrt(44.0), 60, -60});
    on_axis(x);
    EXPECT_GT(count(search(19), "FRAC1", 46), 0);
}

TEST(Search, NoCandidateWithin100Angstrom) {
    on_axis({0, 0, 0, 0, 100, -100});
    EXPECT_EQ(search(0), lines{});
    // At 99.99 Angstrom (9998.0001 square Angstrom) the pair is still added.
    on_axis({0, 0, 0, 0, 99.99, -100});
    EXPECT_EQ(count(search(0), "FRAC1", 5), 1);
    EXPECT_EQ(best.size, 5);
}
