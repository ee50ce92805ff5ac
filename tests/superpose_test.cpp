// The rotational fit: the half-turn constant, pairs it cannot turn, and the
// motion the fits keep.
#include <memory>
#include <vector>

#include "compare/superposed_pairs.h"
#include "search/pair_arrays.h"
#include "superpose/superpose.h"
#include "test_util.h"

namespace {

// Pair k of one with pair k of two, nothing selected.
std::unique_ptr<pairfit::pair_arrays> pairs_of(const pairfit::structure &one, const pairfit::structure &two) {
    auto p = std::make_unique<pairfit::pair_arrays>();
    pairfit::pairing by_index;
    for (int k = 0; k < static_cast<int>(one.size()); ++k)
        by_index.first.push_back(k), by_index.second.push_back(k);
    pairfit::load_pairs(p.get(), one, two, by_index);
    return p;
}

pairfit::structure at(const std::vector<std::array<double, 3>> &points) {
    pairfit::structure s;
    for (const auto &q : points) {
        pairfit::ca_atom a;
        a.x = q[0], a.y = q[1], a.z = q[2];
        s.atoms.push_back(a);
    }
    return s;
}

}  // namespace

TEST(Superposition, HalfTurnAboutXIsUndoneNearlyButNotExactly) {
    // y and z negated: the first x step adds the half turn 3.14159265, which is
    // a little less than pi, so a second pass follows and leaves a trace.
    pairfit::structure one = read_atoms(data_file("ubiquitin_1d3z_model1.pdb")), two = one;
    for (pairfit::ca_atom &a : two.atoms) a.y = -a.y, a.z = -a.z;
    double centre[3] = {0, 0, 0};
    for (const pairfit::ca_atom &a : one.atoms) centre[0] += a.x, centre[1] += a.y, centre[2] += a.z;
    for (double &c : centre) c /= one.size();
    gemmi::Mat33 h(0.0);
    for (const pairfit::ca_atom &a : one.atoms) {
        const double p[3] = {a.x - centre[0], a.y - centre[1], a.z - centre[2]};
        const double q[3] = {p[0], -p[1], -p[2]};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) h.a[i][j] += p[i] * q[j];
    }
    gemmi::Mat33 u;
    EXPECT_GE(pairfit::fit_rotation(h, u), 2);
    auto p = pairs_of(one, two);
    for (int k = 0; k < p->n; ++k) pairfit::select_pair(p.get(), k);
    pairfit::pair_fit fit;
    pairfit::fit_selected_pairs(p.get(), false, &fit);
    EXPECT_GT(fit.rms, 0.0);
    EXPECT_LT(fit.rms, 1e-6);
}

TEST(Superposition, CollinearPairsGiveExactlyOne) {
    // Two selected pairs on the x axis give no angle: the rotation stays the
    // identity and nothing moves.
    auto p = pairs_of(at({{1, 0, 0}, {-1, 0, 0}, {0, 0, 0}}), at({{2, 0, 0}, {-2, 0, 0}, {0, 5, 0}}));
    pairfit::select_pair(p.get(), 0);
    pairfit::select_pair(p.get(), 1);
    pairfit::pair_fit fit;
    pairfit::fit_selected_pairs(p.get(), false, &fit);
    EXPECT_EQ(fit.rms, 1.0);
    EXPECT_EQ(fit.closest, 2);
    const double(*u)[3] = p->rotation.a;
    EXPECT_EQ((std::vector<double>{u[0][0], u[0][1], u[0][2], u[1][0], u[1][1], u[1][2], u[2][0], u[2][1],
                                   u[2][2]}),
              (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    const double want[3][4] = {{2, 0, 0, 1}, {-2, 0, 0, 1}, {0, 5, 0, 25}};
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ((std::vector<double>{p->x2[k], p->y2[k], p->z2[k], p->sqdev[k]}),
                  std::vector<double>(want[k], want[k] + 4));
}

// The motion the fits keep takes the input coordinates to where the search
// and the final fits left them, in both modes' results and after the
// command-line program's second fit.
TEST(Superposition, KeptMotionMovesTheInputOntoTheSuperposedPairs) {
    const pairfit::structure one = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
    const pairfit::structure two = read_atoms(data_file("ubiquitin_1ubq_xray.pdb"));
    const pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
    pairfit::result r = pairfit::compare(one, two, pairs);
    ASSERT_GT(r.size, 19);
    auto check = [&](const pairfit::result &r, const char *what) {
        for (size_t k = 0; k < pairs.size(); ++k) {
            const pairfit::ca_atom &a = one.atoms[pairs.first[k]], &b = two.atoms[pairs.second[k]];
            const std::array<double, 3> moved = r.transform.apply({b.x, b.y, b.z}), input1 = {a.x, a.y, a.z};
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(moved[i] + r.reference_shift[i], r.superposed2[k][i], 1e-9) << what << k;
                EXPECT_NEAR(input1[i] + r.reference_shift[i], r.superposed1[k][i], 1e-9) << what << k;
            }
        }
    };
    check(r, "search ");
    const pairfit::result first_fit = r;
    auto scratch = std::make_unique<pairfit::pair_arrays>();
    pairfit::refit_superposed_pairs(scratch.get(), &r);
    check(r, "second fit ");
    EXPECT_NE(r.superposed2, first_fit.superposed2);  // the second fit moves them, a little
    EXPECT_EQ(r.distances, first_fit.distances);
}
