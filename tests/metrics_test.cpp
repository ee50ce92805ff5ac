// The standard scores on geometry whose answers are known, on bad input,
// and the comparison document's shape.
#include <cmath>

#include <gemmi/math.hpp>

#include "metrics/tm_score.h"
#include "test_util.h"

namespace {

pairfit::structure from_points(const std::vector<std::array<double, 3>> &points) {
    pairfit::structure s;
    s.source = "made.pdb";
    for (std::size_t i = 0; i < points.size(); ++i) {
        pairfit::ca_atom a;
        a.x = points[i][0];
        a.y = points[i][1];
        a.z = points[i][2];
        a.residue_number = static_cast<int>(i) + 1;
        a.residue_name = "ALA";
        a.chain_id = "A";
        s.atoms.push_back(a);
    }
    return s;
}

pairfit::metrics metrics_of(const pairfit::structure &a, const pairfit::structure &b) {
    const pairfit::pairing pairs = pairfit::pair_by_residue_number(a, b);
    return pairfit::compute_metrics(a, b, pairs, pairfit::compare(a, b, pairs));
}

TEST(Metrics, IdenticalStructuresScoreOne) {
    const pairfit::structure a = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    const pairfit::metrics m = metrics_of(a, a);
    EXPECT_TRUE(m.warning.empty());
    EXPECT_EQ(pairfit::metrics_values(m), "1.0000\t1.0000\t1.0000\t1.0000\t0.000\t76\t76");
}

// Five atoms 4 A apart on a line: 9 distances below 15 A. Moving the last
// by 0.7 A along the line changes its three distances by 0.7, conserved
// at 1, 2 and 4 A only; an unpaired atom conserves none of its distances.
TEST(Metrics, LddtOfKnownDistances) {
    std::vector<std::array<double, 3>> line{{0, 0, 0}, {4, 0, 0}, {8, 0, 0}, {12, 0, 0}, {16, 0, 0}};
    const pairfit::structure a = from_points(line);
    line[4][0] = 16.7;
    const pairfit::structure b = from_points(line);
    pairfit::metrics m = metrics_of(a, b);
    EXPECT_DOUBLE_EQ(m.lddt, 33.0 / 36.0);
    ASSERT_EQ(m.residue_lddt.size(), 5u);
    EXPECT_DOUBLE_EQ(m.residue_lddt[0], 1.0);
    EXPECT_DOUBLE_EQ(m.residue_lddt[1], 15.0 / 16.0);
    EXPECT_DOUBLE_EQ(m.residue_lddt[4], 9.0 / 12.0);

    const pairfit::pairing pairs{{0, 1, 3, 4}, {0, 1, 3, 4}};  // atom 3 of structure 1 unpaired
    m = pairfit::compute_metrics(a, b, pairs, pairfit::result());
    // Its four distances conserve nothing; (1,4) and (3,4) keep 3 each, the rest 4.
    EXPECT_DOUBLE_EQ(m.lddt, (4 * 0 + 2 * 3 + 3 * 4) / 36.0);
    EXPECT_DOUBLE_EQ(m.residue_lddt[2], 0.0);
    EXPECT_EQ(m.pairs, 4);
}

// A compact core of 16 atoms and 4 atoms that structure 2 has 100 A away:
// no superposition brings those within 8 A while keeping the core, so
// every GDT count is 16 of 20.
TEST(Metrics, GdtOfKnownDistances) {
    std::vector<std::array<double, 3>> points;
    for (int i = 0; i < 20; ++i)
        points.push_back({2.3 * std::cos(1.75 * i), 2.3 * std::sin(1.75 * i), 1.5 * i - 14.0});
    const pairfit::structure a = from_points(points);
    for (int i : {3, 8, 12, 17}) points[i][i % 2 ? 0 : 1] += (i < 10 ? 100.0 : -100.0);
    const pairfit::metrics m = metrics_of(a, from_points(points));
    EXPECT_DOUBLE_EQ(m.gdt_ts, 0.8);
    EXPECT_DOUBLE_EQ(m.gdt_ha, 0.8);
    EXPECT_GT(m.tm_score, 0.8);
    EXPECT_LT(m.tm_score, 0.81);
}

TEST(Metrics, TooLittleToScoreGivesZerosAndAWarning) {
    const pairfit::structure a = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    const pairfit::structure four = from_points({{0, 0, 0}, {3.8, 0, 0}, {7.6, 0, 0}, {11.4, 0, 0}});
    for (const auto &[first, second, pairs] :
         {std::make_tuple(a, a, pairfit::pairing()),
          std::make_tuple(four, four, pairfit::pairing{{0, 1, 2, 3}, {0, 1, 2, 3}})}) {
        const pairfit::metrics m = pairfit::compute_metrics(first, second, pairs, pairfit::result());
        EXPECT_EQ(pairfit::metrics_values(m).substr(0, 34), "0.0000\t0.0000\t0.0000\t0.0000\t0.000\t");
        EXPECT_NE(m.warning.find(first.source), std::string::npos) << m.warning;
        EXPECT_NE(m.warning.find("the scores are 0"), std::string::npos) << m.warning;
    }
}

TEST(Metrics, DistanceScaleAndScoreUnderOneSuperposition) {
    EXPECT_EQ(pairfit::tm_score_d0(4), 0.5);
    EXPECT_EQ(pairfit::tm_score_d0(20), 0.5);  // 1.24 * 5^(1/3) - 1.8 is below 0.5
    EXPECT_NEAR(pairfit::tm_score_d0(100), 1.24 * std::cbrt(85.0) - 1.8, 1e-12);
    // Pairs at distance d0 score a half each.
    std::vector<gemmi::Position> one{{0, 0, 0}, {5, 0, 0}, {0, 5, 0}}, two = one;
    gemmi::Transform shift;
    shift.vec = gemmi::Vec3(0, 0, 3.0);
    EXPECT_DOUBLE_EQ(pairfit::tm_score_under(shift, one.data(), two.data(), 3, 3.0, 6.0), 0.25);
    // The search finds the superposition that undoes a rotation and a shift.
    gemmi::Transform move;
    move.mat = gemmi::Mat33(0, -1, 0, 1, 0, 0, 0, 0, 1);
    move.vec = gemmi::Vec3(10, -4, 2);
    const pairfit::structure u = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    one.clear();
    two.clear();
    for (const auto &atom : u.atoms) {
        one.emplace_back(atom.x, atom.y, atom.z);
        two.emplace_back(move.apply(one.back()));
    }
    pairfit::superposition_search search;
    gemmi::Transform best;
    EXPECT_NEAR(search.max_tm_score(one.data(), two.data(), 76, pairfit::tm_score_d0(76), 76.0,
                                    pairfit::metrics_search, &best),
                1.0, 1e-9);
    EXPECT_NEAR(best.apply(two[40]).dist(one[40]), 0.0, 1e-6);
}

}  // namespace
