// The fast search: its closed-form fit against gemmi's superposition,
// results that do not depend on threads or shared paths, agreement with the
// exact search, and the edges (no seeds, degenerate subsets, more pairs
// than the exact search takes).
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gemmi/qcp.hpp>

#include "fast/fast_search.h"
#include "fast/open_pairs.h"
#include "score/method_rules.h"
#include "test_util.h"

namespace {

using pairfit::component;
using pairfit::detail::fast_search;
using pairfit::detail::fast_search_options;
using pairfit::detail::fast_search_result;
using pairfit::detail::fit_subset;
using pairfit::detail::growth_path;
using pairfit::detail::rigid_fit;

struct pair_lists {
    std::vector<gemmi::Vec3> first, second;
};

// A file of tests/data, or of examples/ when its name says so.
std::string path_of(const std::string &name) {
    return name.rfind("examples/", 0) == 0 ? example_file(name.substr(9)) : data_file(name);
}

// The paired C-alpha atoms of two files, paired as pairfit pairs them.
pair_lists read_pairs(const std::string &file1, const std::string &file2) {
    pairfit::structure one = read_atoms(path_of(file1)), two = read_atoms(path_of(file2));
    pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
    pair_lists p;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const pairfit::ca_atom &a = one.atoms[pairs.first[k]], &b = two.atoms[pairs.second[k]];
        p.first.push_back({a.x, a.y, a.z});
        p.second.push_back({b.x, b.y, b.z});
    }
    return p;
}

// gemmi's least-squares superposition of the subset (structure 2 onto 1)
// as a fit.
rigid_fit reference_fit(const pair_lists &p, const std::vector<char> &in) {
    std::vector<gemmi::Position> a, b;
    for (size_t i = 0; i < p.first.size(); ++i)
        if (in[i]) {
            a.emplace_back(p.first[i]);
            b.emplace_back(p.second[i]);
        }
    const gemmi::SupResult r = gemmi::superpose_positions(a.data(), b.data(), a.size(), nullptr);
    rigid_fit f;
    f.size = static_cast<int>(a.size());
    f.rms = r.rmsd;
    f.centre1 = r.center1;
    f.centre2 = r.center2;
    f.rotation = r.transform.mat;
    return f;
}

// Pair i's squared deviation under f, by the search's own expression,
// operation for operation.
double squared_deviation(const pair_lists &p, size_t i, const rigid_fit &f) {
    const double(*u)[3] = f.rotation.a;
    double ax = p.first[i].x - f.centre1.x, ay = p.first[i].y - f.centre1.y, az = p.first[i].z - f.centre1.z;
    double bx = p.second[i].x - f.centre2.x, by = p.second[i].y - f.centre2.y,
           bz = p.second[i].z - f.centre2.z;
    double dx = ax - (u[0][0] * bx + u[0][1] * by + u[0][2] * bz);
    double dy = ay - (u[1][0] * bx + u[1][1] * by + u[1][2] * bz);
    double dz = az - (u[2][0] * bx + u[2][1] * by + u[2][2] * bz);
    return dx * dx + dy * dy + dz * dz;
}

// RMS over the subset of the second structure moved by a fit onto the first.
double rms_of(const pair_lists &p, const std::vector<char> &in, const rigid_fit &f) {
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < p.first.size(); ++i)
        if (in[i]) sum += squared_deviation(p, i, f), ++n;
    return std::sqrt(sum / n);
}

std::vector<char> subset(size_t n, int every, int offset, size_t limit) {
    std::vector<char> in(n, 0);
    for (size_t i = offset; i < n && i < limit; i += every) in[i] = 1;
    return in;
}

// The fit reaches the least RMS (that of gemmi's superposition), reports
// the RMS it reaches, and its bound on its distance from a true rotation
// holds.
void expect_optimal(const pair_lists &p, const std::vector<char> &in, const rigid_fit &got,
                    const rigid_fit &want, double reached_within = 1e-9) {
    EXPECT_NEAR(got.rms, want.rms, 1e-8);
    EXPECT_NEAR(rms_of(p, in, got), got.rms, reached_within);
    EXPECT_LE(rms_of(p, in, got), rms_of(p, in, want) + 1e-9);
    EXPECT_LE(pairfit::detail::rotation_error(got.rotation), got.rotation_error_bound);
}

TEST(FastFit, MatchesReferenceOnRealSubsets) {
    struct pair_case {
        const char *file1, *file2;
    } files[] = {{"ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb"},
                 {"cytc_yeast_1cih_negnum.pdb", "cytc_horse_2pcb_B.pdb"},
                 {"large_glua3ntd_3o21_CD.pdb.gz", "large_glua3ntd_3p3w_AC.pdb.gz"}};
    std::mt19937 random(7);
    for (const pair_case &c : files) {
        pair_lists p = read_pairs(c.file1, c.file2);
        const size_t n = p.first.size();
        std::vector<std::vector<char>> subsets = {subset(n, 1, 0, n), subset(n, 1, 0, 4),
                                                  subset(n, 1, 10, 30), subset(n, 3, 1, n),
                                                  subset(n, 7, 5, n)};
        std::vector<char> scattered(n);
        for (char &x : scattered) x = random() % 2;
        subsets.push_back(scattered);
        for (const auto &in : subsets) {
            const rigid_fit got = fit_subset(p.first, p.second, in), want = reference_fit(p, in);
            SCOPED_TRACE(std::string(c.file1) + " subset of " + std::to_string(got.size));
            expect_optimal(p, in, got, want);
            for (int r = 0; r < 3; ++r) {
                EXPECT_NEAR(component(got.centre1, r), component(want.centre1, r), 1e-9);
                EXPECT_NEAR(component(got.centre2, r), component(want.centre2, r), 1e-9);
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.rotation.a[r][k], want.rotation.a[r][k], 1e-7);
            }
        }
    }
}

// Collinear and coincident points: the rotation is not unique, but the one
// given must be a rotation that reaches the least RMS (0 or gemmi's).
TEST(FastFit, DegenerateSubsets) {
    std::vector<std::pair<const char *, pair_lists>> cases(4);
    const double t1[] = {0, 1, 5, 2, 9, 3}, t2[] = {3, -1, 0, 7, 2, 4};
    for (int i = 0; i < 6; ++i) {
        // the same line, shifted and turned: a perfect fit
        cases[0].second.first.push_back({1.0 + 2 * i, 2.0 + 3 * i, 3.0 - i});
        cases[0].second.second.push_back({-5.0 - i, 4.0 + 2 * i, 1.0 + 3 * i});
        // lines whose points do not correspond
        cases[1].second.first.push_back({10 + t1[i], 20 + 2 * t1[i], 30 - 2 * t1[i]});
        cases[1].second.second.push_back({-7, 3 + 3 * t2[i], 1});
        // antiparallel lines: a half turn
        cases[2].second.first.push_back({1.0 * i, 0, 0});
        cases[2].second.second.push_back({-1.0 * i, 0, 0});
        // every point of the second structure in one place
        cases[3].second.first.push_back({t1[i], t2[i], t1[i] * t2[i]});
        cases[3].second.second.push_back({7, 7, 7});
    }
    cases[0].first = "collinear, matching", cases[1].first = "collinear, scrambled";
    cases[2].first = "collinear, reversed", cases[3].first = "coincident";
    for (const auto &[what, p] : cases) {
        SCOPED_TRACE(what);
        const std::vector<char> all(p.first.size(), 1);
        const rigid_fit f = fit_subset(p.first, p.second, all);
        // gemmi's iteration converges on the scrambled lines only; the perfect
        // fits reach 0, the coincident points the spread of the first structure.
        rigid_fit spread;  // no turn
        for (int i = 0; i < 6; ++i)
            for (int k = 0; k < 3; ++k) component(spread.centre1, k) += component(p.first[i], k) / 6;
        spread.centre2 = gemmi::Vec3(7, 7, 7);
        const double least = what == cases[1].first   ? reference_fit(p, all).rms
                             : what == cases[3].first ? rms_of(p, all, spread)
                                                      : 0.0;
        EXPECT_LE(pairfit::detail::rotation_error(f.rotation), f.rotation_error_bound);
        EXPECT_NEAR(f.rms, least, 1e-7);
        EXPECT_NEAR(rms_of(p, all, f), least, 1e-7);
        EXPECT_NEAR(f.rotation.determinant(), 1.0, 1e-12);
    }
    // Nearly collinear: points up to 1e-3 Angstrom off a line 20 Angstrom
    // long, which the fit must not take for a line.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> off(-1e-3, 1e-3);
    pair_lists p;
    for (int i = 0; i < 8; ++i) {
        p.first.push_back({2.5 * i + off(random), 1 + off(random), -2 + off(random)});
        p.second.push_back({3 + off(random), 2.5 * i + off(random), off(random)});
    }
    const std::vector<char> all(8, 1);
    // Its turn about the line is nearly free, and the rotation of the
    // quaternion solver (gemmi's as the fit's) then reaches the RMS it gives
    // only to about 2%.
    expect_optimal(p, all, fit_subset(p.first, p.second, all), reference_fit(p, all), 5e-5);
}

// ---- the search

void expect_same(const fast_search_result &a, const fast_search_result &b) {
    EXPECT_EQ(std::tie(a.size, a.rms, a.score, a.pvalue, a.in_subset, a.score_by_size),
              std::tie(b.size, b.rms, b.score, b.pvalue, b.in_subset, b.score_by_size));
}

struct search_case {
    const char *name, *file1, *file2;
    int min_size;
    bool per_size;
};

const search_case real_pairs[] = {
    {"UbiquitinModels", "ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb", 19, true},
    {"CytochromeOutOfRegisterMin0", "cytc_yeast_1u74_D_from1.pdb", "cytc_horse_2pcb_B.pdb", 0, false},
    {"HemoglobinAlphaBeta", "hemoglobin_2hhb_4chains.pdb.gz", "hemoglobin_2hhb_chainB_ca.pdb", 19, true},
    {"LactateDehydrogenase", "demo_ldh_6ldh_A.pdb.gz", "examples/demo_ldh_1ldm_A.pdb", 19, false},
    {"CrambinWithItself", "crambin_1ejg_altloc.pdb", "crambin_1ejg_altloc.pdb", 19, true},  // ties everywhere
};

class FastSearchOnRealPairs : public testing::TestWithParam<search_case> {};

TEST_P(FastSearchOnRealPairs, SameForEveryThreadCountWithoutSharedPathsAndInDoublePrecision) {
    const search_case &c = GetParam();
    pair_lists p = read_pairs(c.file1, c.file2);
    fast_search_options options;
    options.min_size = c.min_size;
    options.per_size_scores = c.per_size;
    fast_search_result one = fast_search(p.first, p.second, options);
    options.threads = 2;
    fast_search_result two = fast_search(p.first, p.second, options);
    options.threads = 1;
    options.share_paths = false;
    fast_search_result alone = fast_search(p.first, p.second, options);
    options.share_paths = true;
    options.single_precision = false;
    fast_search_result double_only = fast_search(p.first, p.second, options);
    options.per_size_scores = !c.per_size;
    fast_search_result flipped = fast_search(p.first, p.second, options);
    {
        SCOPED_TRACE("threads 1 and 2");
        expect_same(one, two);
    }
    {
        // Without per-size scores a subset is scored only when the bound on its
        // score could reach the best p-value: the bound must never rule out
        // the best subset.
        SCOPED_TRACE("every size scored or only where the score bound allows");
        EXPECT_EQ(std::tie(one.size, one.rms, one.score, one.pvalue, one.in_subset),
                  std::tie(flipped.size, flipped.rms, flipped.score, flipped.pvalue, flipped.in_subset));
    }
    {
        SCOPED_TRACE("paths shared or not");
        expect_same(one, alone);
    }
    {
        SCOPED_TRACE("estimates or full passes in double precision");
        expect_same(one, double_only);
        EXPECT_GT(one.counters.estimates, 0);
        EXPECT_EQ(double_only.counters.estimates, 0);
    }
    EXPECT_GT(one.counters.paths_cut, 0);
    EXPECT_EQ(alone.counters.paths_cut, 0);
    EXPECT_LT(one.counters.fits, alone.counters.fits);
}

// The exact search's choice on the same pairs: the same subset, and score and
// RMS to the precision its iterative fit reaches (it stops turning within a
// tolerance, which moves scores by up to a few parts in 10^5).
TEST_P(FastSearchOnRealPairs, AgreesWithTheExactSearch) {
    const search_case &c = GetParam();
    pair_lists p = read_pairs(c.file1, c.file2);
    fast_search_options options;
    options.min_size = c.min_size;
    options.per_size_scores = c.per_size;
    fast_search_result fast = fast_search(p.first, p.second, options);

    pairfit::structure one = read_atoms(path_of(c.file1)), two = read_atoms(path_of(c.file2));
    pairfit::compare_options exact;
    exact.min_size = c.min_size;
    exact.per_size_scores = c.per_size;
    pairfit::result best = pairfit::compare(one, two, pairfit::pair_by_residue_number(one, two), exact);
    EXPECT_EQ(fast.size, best.size);
    EXPECT_NEAR(fast.rms, best.rms, 1e-4);
    EXPECT_NEAR(fast.score, best.score, 5e-5 * best.score);
    EXPECT_NEAR(fast.pvalue, best.pvalue, 5e-4 * best.pvalue);
    for (size_t i = 0; i < p.first.size(); ++i)
        EXPECT_EQ(fast.in_subset[i] != 0, best.in_subset[i] != 0) << i;
    if (c.per_size) {
        for (size_t k = 0; k <= p.first.size(); ++k)
            EXPECT_NEAR(fast.score_by_size[k], best.score_by_size[k], 5e-5 * best.score_by_size[k] + 1e-9)
                << "size " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(, FastSearchOnRealPairs, testing::ValuesIn(real_pairs),
                         [](const testing::TestParamInfo<search_case> &info) { return info.param.name; });

// The pair not taken that is closest under f (lowest index among equals),
// with its squared deviation; -1 when none is below limit.
int closest_open(const pair_lists &p, const std::vector<char> &taken, const rigid_fit &f, double *deviation,
                 double limit = 1e300) {
    double best = limit;
    int best_at = -1;
    for (size_t i = 0; i < p.first.size(); ++i) {
        if (taken[i]) continue;
        const double d = squared_deviation(p, i, f);
        if (d < best) best = d, best_at = static_cast<int>(i);
    }
    *deviation = best;
    return best_at;
}

// A growth path grown the plain way: every step fits the subset afresh and
// measures every pair, the closest joining (the lowest index among equals,
// none at 100 Angstrom or more), while the RMS is below 5 + k / 45.
std::vector<int> plain_growth_path(const pair_lists &p, int seed) {
    const int n = static_cast<int>(p.first.size());
    std::vector<char> in(n, 0);
    std::vector<int> order;
    for (int j = seed; j < seed + 4; ++j) in[j] = 1, order.push_back(j);
    int k = 4;
    rigid_fit f = fit_subset(p.first, p.second, in);
    while (k < n && f.rms < 5 + k / 45) {
        double deviation;
        const int best_at = closest_open(p, in, f, &deviation, 9999.0);
        if (best_at < 0) break;
        in[best_at] = 1;
        order.push_back(best_at);
        ++k;
        f = fit_subset(p.first, p.second, in);
    }
    return order;
}

// Three copies of a pair, moved apart differently in the two structures.
pair_lists far_copies(const pair_lists &one, double apart) {
    pair_lists p;
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < one.first.size(); ++i) {
            gemmi::Vec3 a = one.first[i], b = one.second[i];
            a.x += apart * c;
            b.y += apart * c;
            b.z -= apart / 2 * c;
            p.first.push_back(a);
            p.second.push_back(b);
        }
    return p;
}

// The search measures only the candidates its single-precision estimates
// leave, over the pairs near the subset while the bound on the others
// allows; it must still take in exactly the closest pair at every step.
// Small and large pairs (with and without a near set), paths that run to
// the end and paths that stop at the RMS limit; and copies of the LDH pair
// where most open pairs lie far from the subset, so that passes cover a
// middle set while the bound on the other copies holds: 150 Angstrom
// apart, and 45, where the other copies come near enough at times for that
// bound to fail. And ubiquitin pairs followed by their twins, alone and
// with a pair 3e6 Angstrom out so that every pair is measured in double
// precision: each tie goes to the lower index.
TEST(FastSearch, GrowthPathsTakeTheClosestPairAtEveryStep) {
    const pair_lists ldh = read_pairs("demo_ldh_6ldh_A.pdb.gz", "examples/demo_ldh_1ldm_A.pdb");
    pair_lists twins = read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb");
    for (std::vector<gemmi::Vec3> *v : {&twins.first, &twins.second}) {
        const std::vector<gemmi::Vec3> copy = *v;
        v->insert(v->end(), copy.begin(), copy.end());
    }
    pair_lists twins_far = twins;
    twins_far.first.push_back(gemmi::Vec3(3e6, 0, 0)), twins_far.second.push_back(gemmi::Vec3(3e6, 0, 0));
    const std::pair<const char *, pair_lists> cases[] = {
        {"ubiquitin", read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb")},
        {"hemoglobin", read_pairs("hemoglobin_2hhb_chainA_ca.pdb", "hemoglobin_2hhb_chainB_ca.pdb")},
        {"ldh", ldh},
        {"glua3", read_pairs("large_glua3ntd_3o21_CD.pdb.gz", "large_glua3ntd_3p3w_AC.pdb.gz")},
        {"ldh copies 150 apart", far_copies(ldh, 150.0)},
        {"ldh copies 45 apart", far_copies(ldh, 45.0)},
        {"ubiquitin twins", twins},
        {"ubiquitin twins and a far pair", twins_far},
    };
    for (const auto &[what, p] : cases) {
        const int n = static_cast<int>(p.first.size());
        for (int seed : {0, n / 3, n / 2 + 1, n - 5}) {
            std::vector<int> expected = plain_growth_path(p, seed);
            EXPECT_EQ(growth_path(p.first, p.second, seed), expected) << what << " seed " << seed;
            EXPECT_GT(expected.size(), 4u);
        }
    }
}

// The rotation of a unit quaternion (w, x, y, z).
gemmi::Mat33 quaternion_rotation(const double q[4]) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    return gemmi::Mat33(1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y),
                        2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                        2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y));
}

// The pass of single-precision estimates must leave the pair with the
// smallest deviation in double precision among its candidates, also when
// another pair is closer by less than single precision can tell (each pair
// here has a twin moved by 1e-6 to 1e-4 Angstrom), under fits at random
// turns and shifts, with pairs taken out as a path takes them. And once
// the fit has moved a little after a regroup, whenever the bound on the
// pairs outside the near set clears the nearest near candidate (as the
// search then takes it), the closest pair of all is among those
// candidates.
TEST(OpenPairs, CandidatesHoldTheClosestPair) {
    pair_lists p = read_pairs("large_glua3ntd_3o21_CD.pdb.gz", "large_glua3ntd_3p3w_AC.pdb.gz");
    const int half = static_cast<int>(p.first.size());
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < half; ++i) {
        gemmi::Vec3 b = p.second[i];
        component(b, i % 3) += (i % 2 ? 1 : -1) * std::pow(10.0, -6 + 2 * (i % 7) / 6.0);
        p.first.push_back(p.first[i]);
        p.second.push_back(b);
    }
    const int n = 2 * half;
    pairfit::detail::single_precision_pairs all(p.first, p.second);
    ASSERT_TRUE(all.usable());
    pairfit::detail::open_pairs open(all);
    open.reset();
    std::vector<char> taken(n, 0);
    std::vector<int> candidates;
    long long offered = 0;
    int cleared = 0, outside = 0;
    auto holds = [&](int pair) {
        return std::find(candidates.begin(), candidates.end(), pair) != candidates.end();
    };
    for (int trial = 0; trial < 400; ++trial) {
        // Every other trial a rotation from a random unit quaternion with
        // centres near the inputs'; else the fit of a run of 10 to 300 real
        // pairs, under which many open pairs lie close (as on a path).
        rigid_fit f;
        const int at = trial % half;
        if (trial % 2 == 0) {
            double q[4], length = 0.0;
            for (double &c : q) c = unit(random), length += c * c;
            for (double &c : q) c /= std::sqrt(length);
            f.rotation = quaternion_rotation(q);
            for (int c = 0; c < 3; ++c) {
                component(f.centre1, c) = component(p.first[at], c) + 5 * unit(random);
                component(f.centre2, c) = component(p.second[at], c) + 5 * unit(random);
            }
        } else {
            std::vector<char> run(n, 0);
            const int length = 10 + static_cast<int>(145 * (1 + unit(random)));
            for (int i = at; i < std::min(half, at + length); ++i) run[i] = 1;
            f = fit_subset(p.first, p.second, run);
        }
        double deviation;
        const int closest = closest_open(p, taken, f, &deviation);
        f.rotation_error_bound = pairfit::detail::rotation_error(f.rotation);
        open.regroup(f, candidates);
        EXPECT_TRUE(holds(closest)) << "trial " << trial;
        offered += static_cast<long long>(candidates.size());
        if (open.near_candidates(f, candidates)) {
            EXPECT_TRUE(holds(closest)) << "trial " << trial;
        }

        // The fit turned by up to 0.1 rad about a random axis and shifted by
        // up to 0.17 Angstrom: enough for the closest pair to lie outside the
        // near set at times.
        const double angle = 0.05 * (1 + unit(random));
        double axis[3], axis_length = 0.0;
        for (double &c : axis) c = unit(random), axis_length += c * c;
        const double turn_q[4] = {std::cos(angle / 2), std::sin(angle / 2) * axis[0] / std::sqrt(axis_length),
                                  std::sin(angle / 2) * axis[1] / std::sqrt(axis_length),
                                  std::sin(angle / 2) * axis[2] / std::sqrt(axis_length)};
        rigid_fit moved = f;
        moved.rotation = quaternion_rotation(turn_q).multiply(f.rotation);
        for (int c = 0; c < 3; ++c) component(moved.centre1, c) += 0.1 * unit(random);
        const int closest_moved = closest_open(p, taken, moved, &deviation);
        if (open.near_candidates(moved, candidates) && !candidates.empty()) {
            outside += !holds(closest_moved);
            double nearest = 1e300;
            for (int i : candidates) nearest = std::min(nearest, squared_deviation(p, i, moved));
            moved.rotation_error_bound = pairfit::detail::rotation_error(moved.rotation);
            if (open.far_floor(moved) > std::sqrt(nearest) + 1e-9) {
                ++cleared;
                EXPECT_TRUE(holds(closest_moved)) << "trial " << trial;
            }
        }
        // The closest pair joins, as on a path.
        taken[closest] = 1;
        open.take(closest);
    }
    // Candidates are few (about a pair and its twin), and the bound was put
    // to the test both ways.
    EXPECT_LT(offered, 400 * 4);
    EXPECT_GT(cleared, 100) << cleared;
    EXPECT_GT(outside, 5) << outside;
}

TEST(FastSearch, TooFewPairsForASeed) {
    pair_lists p = read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb");
    for (int n = 0; n <= 4; ++n) {
        std::vector<gemmi::Vec3> a(p.first.begin(), p.first.begin() + n),
            b(p.second.begin(), p.second.begin() + n);
        fast_search_options options;
        options.min_size = 0;
        options.per_size_scores = true;
        const fast_search_result r = fast_search(a, b, options);
        EXPECT_EQ(
            std::tie(r.size, r.rms, r.score, r.pvalue, r.in_subset, r.score_by_size, r.counters.fits),
            std::make_tuple(0, 0.0, 0.0, 1.0, std::vector<char>(n, 0), std::vector<double>(n + 1, 0.0), 0LL));
    }
}

// No pair joins from 100 Angstrom off (10000 square Angstrom; one at 99.99,
// 9998.0001, still does): the fifth pair of the first seed, whose subset
// alone is scored at size 5.
TEST(FastSearch, NoPairJoinsFrom100Angstrom) {
    for (double far : {99.99, 100.0}) {
        const std::vector<gemmi::Vec3> a = {{0, 0, 0}, {0, 0, 0},   {0, 0, 0},
                                            {0, 0, 0}, {far, 0, 0}, {-100, 0, 0}};
        fast_search_options options;
        options.min_size = 0;
        options.per_size_scores = true;
        const fast_search_result r =
            fast_search(a, std::vector<gemmi::Vec3>(6, gemmi::Vec3(0, 0, 0)), options);
        EXPECT_EQ(r.score_by_size[5] > 0, far < 100) << far;
    }
}

// Inputs spanning more than single precision can narrow down: two copies
// of a ubiquitin pair three million Angstrom apart, moved alike in both
// structures. The closest pairs then come from full passes in double
// precision; the best subset is one copy, as good as the copy alone (the
// other copy, turned with it about a point that far away, lies far off).
TEST(FastSearch, HugeCoordinatesFallBackToDoublePrecision) {
    pair_lists one = read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb");
    const int n = static_cast<int>(one.first.size());
    pair_lists both = one;
    for (int i = 0; i < n; ++i) {
        gemmi::Vec3 a = one.first[i], b = one.second[i];
        a.x += 3e6;
        b.x += 3e6;
        both.first.push_back(a);
        both.second.push_back(b);
    }
    ASSERT_FALSE(pairfit::detail::single_precision_pairs(both.first, both.second).usable());
    fast_search_options options;
    fast_search_result got = fast_search(both.first, both.second, options);
    fast_search_result alone = fast_search(one.first, one.second, options);
    EXPECT_EQ(got.counters.estimates, 0);
    ASSERT_EQ(got.size, n);
    int in_first = 0;
    for (int i = 0; i < n; ++i) in_first += got.in_subset[i];
    EXPECT_TRUE(in_first == 0 || in_first == n) << in_first;
    EXPECT_NEAR(got.rms, alone.rms, 1e-6);
    EXPECT_NEAR(got.score, alone.score, 1e-6 * alone.score);
    options.threads = 2;
    expect_same(got, fast_search(both.first, both.second, options));
}

// More pairs than the exact search takes: 70 copies of a ubiquitin pair,
// each copy moved apart from the others differently in the two structures,
// so that every copy superposes on its partner but no two copies together.
TEST(FastSearch, MoreThanFiveThousandPairs) {
    pair_lists one = read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb");
    const int copies = 70, n = static_cast<int>(one.first.size());
    pair_lists many;
    for (int c = 0; c < copies; ++c)
        for (int i = 0; i < n; ++i) {
            gemmi::Vec3 a = one.first[i], b = one.second[i];
            a.x += 150.0 * c;
            b.y += 150.0 * c;
            b.z -= 70.0 * (c % 5);
            many.first.push_back(a);
            many.second.push_back(b);
        }
    ASSERT_GT(many.first.size(), 5000u);
    fast_search_options options;
    options.threads = 2;
    fast_search_result r = fast_search(many.first, many.second, options);
    fast_search_result single = fast_search(one.first, one.second, fast_search_options());

    // One whole copy, as good as the copy alone.
    ASSERT_EQ(r.size, n);
    int first = -1, count = 0;
    for (int i = 0; i < copies * n; ++i)
        if (r.in_subset[i]) {
            if (first < 0) first = i;
            EXPECT_EQ(i / n, first / n) << i;
            ++count;
        }
    EXPECT_EQ(count, n);
    EXPECT_EQ(first % n, 0);
    EXPECT_NEAR(r.rms, single.rms, 1e-9);
    EXPECT_NEAR(r.score, single.score, 1e-9 * single.score);
    // The reported values are those of the chosen subset's own fit.
    rigid_fit f = fit_subset(many.first, many.second, r.in_subset);
    EXPECT_EQ(f.rms, r.rms);
    EXPECT_EQ(r.pvalue, pairfit::LG_pvalueF(r.size, r.score));
}

// Two copies of 16 ubiquitin pairs 1000 Angstrom apart, with equal
// p-values; one copy split around the other (its pairs 0-7, the other
// copy, its pairs 8-15). The paths from the seeds of the last part reach
// the split copy whole, so it comes last in the exact search's order.
TEST(FastSearch, TiesGoToTheSubsetLastInTheExactSearchsOrder) {
    const pair_lists one = read_pairs("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb");
    pair_lists p;
    auto add = [&](int from, int to, double apart) {
        for (int j = from; j < to; ++j) {
            p.first.push_back(one.first[20 + j] + gemmi::Vec3(apart, 0, 0));
            p.second.push_back(one.second[20 + j] + gemmi::Vec3(0, apart, 0));
        }
    };
    add(0, 8, 0.0), add(0, 16, 1000.0), add(8, 16, 0.0);
    fast_search_options options;
    options.min_size = 0;
    const fast_search_result r = fast_search(p.first, p.second, options);
    std::vector<char> split(32, 1);
    std::fill(split.begin() + 8, split.begin() + 24, 0);
    EXPECT_EQ(r.size, 16);
    EXPECT_EQ(r.in_subset, split);
}

// Counts the steps, and keeps the first where the bound on a subset's score
// falls below the score. The bound adds the terms in another order than the
// score: 1e-12 of the score covers that rounding.
struct bound_check : pairfit::detail::bound_observer {
    int steps = 0;
    std::string first_miss;
    void step(int seed, int k, double score_bound, double score) override {
        ++steps;
        if (score_bound < score && first_miss.empty())
            first_miss = "seed " + std::to_string(seed) + ", " + std::to_string(k) + " pairs: bound " +
                         std::to_string(score_bound) + " below " + std::to_string(score);
    }
};

}  // namespace

// Subsets with the same best p-value: the exact search keeps the later
// seed's, of a seed's the larger, and so must the fast search.
TEST(FastSearch, TiesChosenAsInTheExactSearch) {
    const pairfit::structure ubiquitin = read_atoms(path_of("ubiquitin_1ubq_xray.pdb"));
    pairfit::structure moved = ubiquitin;  // its second half 40 Angstrom away
    for (size_t i = 38; i < moved.atoms.size(); ++i) moved.atoms[i].x += 40;
    // Eight atoms against a copy twice their size: every subset's p-value is 1.
    pairfit::structure eight = ubiquitin;
    eight.atoms.resize(8);
    pairfit::structure doubled = eight;
    for (pairfit::ca_atom &atom : doubled.atoms) atom.x *= 2, atom.y *= 2, atom.z *= 2;
    for (const auto &two : {std::make_pair(ubiquitin, moved), std::make_pair(eight, doubled)}) {
        const pairfit::structure &a = two.first, &b = two.second;
        pair_lists p;
        pairfit::pairing pairs;
        for (int i = 0; i < static_cast<int>(a.atoms.size()); ++i) {
            p.first.push_back({a.atoms[i].x, a.atoms[i].y, a.atoms[i].z});
            p.second.push_back({b.atoms[i].x, b.atoms[i].y, b.atoms[i].z});
            pairs.first.push_back(i);
            pairs.second.push_back(i);
        }
        fast_search_options options;
        options.min_size = 0;
        pairfit::compare_options exact_options;
        exact_options.min_size = 0;
        const fast_search_result fast = fast_search(p.first, p.second, options);
        const pairfit::result exact = pairfit::compare(a, b, pairs, exact_options);
        EXPECT_EQ(std::tie(fast.size, fast.pvalue, fast.in_subset),
                  std::tie(exact.size, exact.pvalue, exact.in_subset));
    }
}

// The bound that lets the search skip a subset's score is at least the
// score at every step of real paths: a step after the last score (every
// size scored) and many steps after it (only where the bound allows).
TEST(FastSearch, ScoreBoundAtLeastTheScoreAtEveryStep) {
    pair_lists p = read_pairs("demo_ldh_6ldh_A.pdb.gz", "examples/demo_ldh_1ldm_A.pdb");
    for (bool every_size : {true, false}) {
        bound_check check;
        fast_search_options options;
        options.per_size_scores = every_size;
        options.observer = &check;
        fast_search(p.first, p.second, options);
        EXPECT_GT(check.steps, 1000);
        EXPECT_EQ(check.first_miss, "") << (every_size ? "every size scored" : "scored where needed");
    }
}

// A structure against itself, against a copy turned, moved and rounded to
// the thousandth of an Angstrom as a PDB file holds it, and against itself
// with one atom 2 Angstrom away: all pairs are the answer, found without
// growing every path, the same answer as when every size is scored (which
// grows every path). With the atom 3 Angstrom away the pairs without it are
// the answer, though all pairs would beat any subset of one pair fewer but
// one: the paths grow.
TEST(FastSearch, StructureAgainstItselfOrACopyNeedsNoPaths) {
    for (const char *file : {"crambin_1ejg_altloc.pdb", "ubiquitin_1d3z_model1.pdb"}) {
        const pair_lists same = read_pairs(file, file);
        pair_lists turned = same, two_away = same, three_away = same;
        const double c = std::cos(0.7), s = std::sin(0.7);
        for (gemmi::Vec3 &b : turned.second)
            b = gemmi::Vec3(std::round(1000 * (c * b.x - s * b.y + 10)) / 1000,
                            std::round(1000 * (s * b.x + c * b.y - 5)) / 1000,
                            std::round(1000 * (b.z + 3)) / 1000);
        two_away.second[10].x += 2;
        three_away.second[10].x += 3;
        const std::pair<const char *, const pair_lists *> copies[] = {
            {"itself", &same}, {"turned", &turned}, {"2 A away", &two_away}, {"3 A away", &three_away}};
        for (const auto &copy : copies) {
            const pair_lists &p = *copy.second;
            const bool all_pairs = copy.second != &three_away;
            const int n = static_cast<int>(p.first.size());
            fast_search_options options;
            const fast_search_result quick = fast_search(p.first, p.second, options);
            options.per_size_scores = true;
            const fast_search_result grown = fast_search(p.first, p.second, options);
            SCOPED_TRACE(std::string(file) + ", " + copy.first);
            EXPECT_EQ(quick.counters.fits == 0, all_pairs);
            EXPECT_EQ(quick.size, all_pairs ? n : n - 1);
            EXPECT_EQ(std::tie(quick.size, quick.rms, quick.score, quick.pvalue, quick.in_subset),
                      std::tie(grown.size, grown.rms, grown.score, grown.pvalue, grown.in_subset));
        }
    }
}

// The sizes the search scores anyway, recorded for the page's curve: the
// same search (no subset scored more), and each recorded score at most the
// best of every subset of its size, the chosen size's score among them.
TEST(FastSearch, ScoredSizesCostNoExtraScores) {
    pair_lists p = read_pairs("large_glua3ntd_3o21_CD.pdb.gz", "large_glua3ntd_3p3w_AC.pdb.gz");
    fast_search_options options;
    const fast_search_result plain = fast_search(p.first, p.second, options);
    options.record_scored_sizes = true;
    const fast_search_result recorded = fast_search(p.first, p.second, options);
    options.record_scored_sizes = false;
    options.per_size_scores = true;
    const fast_search_result every = fast_search(p.first, p.second, options);
    EXPECT_EQ(std::tie(recorded.size, recorded.pvalue, recorded.in_subset),
              std::tie(plain.size, plain.pvalue, plain.in_subset));
    EXPECT_EQ(recorded.counters.scores, plain.counters.scores);
    EXPECT_GT(every.counters.scores, 4 * plain.counters.scores);
    EXPECT_EQ(recorded.score_by_size[recorded.size], recorded.score);
    size_t sizes = 0;
    for (size_t k = 0; k < recorded.score_by_size.size(); ++k) {
        EXPECT_LE(recorded.score_by_size[k], every.score_by_size[k]) << k;
        sizes += recorded.score_by_size[k] > 0;
    }
    EXPECT_GT(sizes, 10u);
}
