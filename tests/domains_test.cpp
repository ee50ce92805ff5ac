// Rigid domains on real chains with a known hinge motion, the screw form
// of rigid motions, and how domains and their residues are written.
#include <cmath>
#include <random>

#include "test_util.h"

namespace {

using vec = std::array<double, 3>;

const double PI = 3.14159265358979323846;

vec unit(vec v) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / n, v[1] / n, v[2] / n};
}

// The turn by degrees about the unit vector u (right-handed), by Rodrigues'
// formula.
pairfit::rigid_transform turn_about(const vec &u, double degrees, const vec &through) {
    const double a = degrees * PI / 180, c = std::cos(a), s = std::sin(a);
    const double k[3][3] = {{0, -u[2], u[1]}, {u[2], 0, -u[0]}, {-u[1], u[0], 0}};
    pairfit::rigid_transform t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t.rotation[i][j] = (i == j ? c : 0.0) + s * k[i][j] + (1 - c) * u[i] * u[j];
    const vec turned = t.apply(through);
    for (int i = 0; i < 3; ++i) t.translation[i] = through[i] - turned[i];
    return t;
}

double distance_to_line(const vec &p, const vec &point, const vec &direction) {
    vec d = {p[0] - point[0], p[1] - point[1], p[2] - point[2]};
    const double along = d[0] * direction[0] + d[1] * direction[1] + d[2] * direction[2];
    for (int i = 0; i < 3; ++i) d[i] -= along * direction[i];
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

// A copy of s in which every atom after hinge[i] (an atom index) is turned
// by degrees[i] about an axis through that atom's C-alpha (the turns of
// later hinges after those of earlier ones), then the whole turned and
// shifted elsewhere (so that motions must be told in structure 1's frame),
// and every coordinate moved by Gaussian noise of the given spread (fixed
// seed).
pairfit::structure hinged_copy(const pairfit::structure &s, const std::vector<int> &hinges,
                               const std::vector<double> &degrees, const std::vector<vec> &axes,
                               double noise) {
    pairfit::structure moved = s;
    for (std::size_t h = 0; h < hinges.size(); ++h) {
        const pairfit::ca_atom &pivot = moved.atoms[hinges[h]];
        const pairfit::rigid_transform t = turn_about(unit(axes[h]), degrees[h], {pivot.x, pivot.y, pivot.z});
        for (std::size_t i = hinges[h] + 1; i < moved.size(); ++i) {
            pairfit::ca_atom &a = moved.atoms[i];
            const vec p = t.apply({a.x, a.y, a.z});
            a.x = p[0], a.y = p[1], a.z = p[2];
        }
    }
    const pairfit::rigid_transform elsewhere = turn_about(unit({-1.0, 0.5, 2.0}), 70.0, {40.0, -15.0, 8.0});
    for (pairfit::ca_atom &a : moved.atoms) {
        const vec p = elsewhere.apply({a.x, a.y, a.z});
        a.x = p[0], a.y = p[1], a.z = p[2];
    }
    std::mt19937 random(20261207);
    std::normal_distribution<double> spread(0.0, noise);
    for (pairfit::ca_atom &a : moved.atoms) {
        a.x += spread(random);
        a.y += spread(random);
        a.z += spread(random);
    }
    return moved;
}

struct hinged_case {
    pairfit::structure original, moved;
    pairfit::pairing pairs;
    pairfit::result best;
    pairfit::domain_analysis found;
};

hinged_case run_hinged(const std::string &file, const std::vector<int> &hinges,
                       const std::vector<double> &degrees, const std::vector<vec> &axes,
                       pairfit::search_mode mode) {
    hinged_case c;
    c.original = read_atoms(file);
    c.moved = hinged_copy(c.original, hinges, degrees, axes, 0.3);
    c.pairs = pairfit::pair_by_residue_number(c.original, c.moved);
    pairfit::compare_options options;
    options.mode = mode;
    c.best = pairfit::compare(c.original, c.moved, c.pairs, options);
    c.found = pairfit::find_domains(c.original, c.moved, c.pairs, options, c.best);
    return c;
}

// The share of pairs whose domain is the one of the true segment they lie
// in: segments between the hinges, each taken to be the domain that holds
// most of its pairs (which must differ between segments).
double share_in_right_domain(const hinged_case &c, const std::vector<int> &hinges) {
    std::vector<int> bounds = {-1};
    bounds.insert(bounds.end(), hinges.begin(), hinges.end());
    bounds.push_back(static_cast<int>(c.pairs.size()) - 1);
    int right = 0;
    std::vector<int> taken;
    for (std::size_t s = 0; s + 1 < bounds.size(); ++s) {
        std::vector<int> count(c.found.domains.size() + 1, 0);
        for (int k = bounds[s] + 1; k <= bounds[s + 1]; ++k) ++count[c.found.domain_of_pair[k]];
        const int most = static_cast<int>(std::max_element(count.begin() + 1, count.end()) - count.begin());
        EXPECT_EQ(std::count(taken.begin(), taken.end(), most), 0) << "segment " << s;
        taken.push_back(most);
        right += count[most];
    }
    return static_cast<double>(right) / static_cast<double>(c.pairs.size());
}

// How far the hinge nearest the true one (between pairs at and at + 1) is
// from it, in pairs, 0 when within 3: residues near a hinge's axis hardly
// move, so they may join either domain and make short islands, with hinges
// of their own, near it.
int nearest_hinge(const pairfit::domain_analysis &found, int at) {
    int nearest = 1 << 30;
    for (const pairfit::hinge &h : found.hinges) nearest = std::min(nearest, std::abs(h.before - at));
    return nearest <= 3 ? 0 : nearest;
}

}  // namespace

TEST(ScrewMotion, RecoversAngleAxisAndShift) {
    const vec point = {3.0, -7.0, 11.0}, direction = unit({1.0, 2.0, -0.5});
    for (double degrees : {0.5, 30.0, 95.0, 179.5, 180.0}) {
        for (double shift : {0.0, 2.5}) {
            pairfit::rigid_transform t = turn_about(direction, degrees, point);
            for (int i = 0; i < 3; ++i) t.translation[i] += shift * direction[i];
            const pairfit::screw_motion m = pairfit::screw_from_transform(t);
            SCOPED_TRACE(degrees);
            EXPECT_NEAR(m.angle, degrees, 1e-7);
            const double along = m.axis_direction[0] * direction[0] + m.axis_direction[1] * direction[1] +
                                 m.axis_direction[2] * direction[2];
            // At 180 degrees either direction describes the turn.
            EXPECT_NEAR(degrees == 180.0 ? std::fabs(along) : along, 1.0, 1e-9);
            EXPECT_NEAR(m.translation, along * shift, 1e-7);
            EXPECT_LT(distance_to_line(m.axis_point, point, direction), 1e-7);
            // The point nearest the origin is perpendicular to the axis.
            EXPECT_NEAR(m.axis_point[0] * direction[0] + m.axis_point[1] * direction[1] +
                            m.axis_point[2] * direction[2],
                        0.0, 1e-7);
        }
    }
    pairfit::rigid_transform shift_only;
    shift_only.translation = {0.0, 3.0, 4.0};
    const pairfit::screw_motion m = pairfit::screw_from_transform(shift_only);
    EXPECT_EQ(m.angle, 0.0);
    EXPECT_NEAR(m.translation, 5.0, 1e-12);
    EXPECT_NEAR(m.axis_direction[2], 0.8, 1e-12);
}

// LDH turned after residue index 160 by 35 degrees, with 0.3 Angstrom of
// noise: two domains, the turn found again about the right axis.
TEST(Domains, OneHingeOnARealChain) {
    const vec axis = {0.3, -1.0, 0.4};
    const int hinge = 160;
    for (pairfit::search_mode mode : {pairfit::search_mode::exact, pairfit::search_mode::fast}) {
        hinged_case c = run_hinged(data_file("demo_ldh_6ldh_A.pdb.gz"), {hinge}, {35.0}, {axis}, mode);
        SCOPED_TRACE(mode == pairfit::search_mode::fast ? "fast" : "exact");
        ASSERT_EQ(c.found.domains.size(), 2u);
        EXPECT_GE(share_in_right_domain(c, {hinge}), 0.95);
        const pairfit::screw_motion &m = c.found.domains[1].motion;
        EXPECT_NEAR(m.angle, 35.0, 2.0);
        const double along =
            std::fabs(m.axis_direction[0] * unit(axis)[0] + m.axis_direction[1] * unit(axis)[1] +
                      m.axis_direction[2] * unit(axis)[2]);
        EXPECT_GT(along, std::cos(3 * PI / 180));
        const pairfit::ca_atom &pivot = c.original.atoms[hinge];
        EXPECT_LT(distance_to_line({pivot.x, pivot.y, pivot.z}, m.axis_point, m.axis_direction), 2.0);
        EXPECT_EQ(nearest_hinge(c.found, hinge), 0);
        EXPECT_EQ(c.found.domains[0].size + c.found.domains[1].size,
                  static_cast<int>(std::count_if(c.found.domain_of_pair.begin(), c.found.domain_of_pair.end(),
                                                 [](int d) { return d != 0; })));
    }
}

// Two hinges make three domains; noise alone makes one.
TEST(Domains, TwoHingesAndNoHinge) {
    const std::string ldh = data_file("demo_ldh_6ldh_A.pdb.gz");
    const std::vector<int> hinges = {100, 220};
    hinged_case two =
        run_hinged(ldh, hinges, {30.0, -40.0}, {{1, 0, 0}, {0, 1, 1}}, pairfit::search_mode::fast);
    ASSERT_EQ(two.found.domains.size(), 3u);
    EXPECT_GE(share_in_right_domain(two, hinges), 0.95);
    for (int at : hinges) EXPECT_EQ(nearest_hinge(two.found, at), 0) << at;

    hinged_case still =
        run_hinged(data_file("ubiquitin_1ubq_xray.pdb"), {}, {}, {}, pairfit::search_mode::exact);
    EXPECT_EQ(still.found.domains.size(), 1u);
    EXPECT_TRUE(still.found.hinges.empty());
}

// No accepted subset: no domains; too few pairs left: domain 1 alone; a
// p-value threshold of 0 keeps no further domain.
TEST(Domains, NothingFurtherToFind) {
    const pairfit::structure a = read_atoms(data_file("ubiquitin_1ubq_xray.pdb"));
    const pairfit::structure b = hinged_copy(a, {38}, {40.0}, {{0, 0, 1}}, 0.3);
    const pairfit::pairing pairs = pairfit::pair_by_residue_number(a, b);
    pairfit::compare_options options;
    options.min_size = 100;
    pairfit::result none = pairfit::compare(a, b, pairs, options);
    EXPECT_TRUE(pairfit::find_domains(a, b, pairs, options, none).domains.empty());

    options.min_size = 19;
    const pairfit::result best = pairfit::compare(a, b, pairs, options);
    EXPECT_EQ(pairfit::find_domains(a, b, pairs, options, best).domains.size(), 2u);
    EXPECT_EQ(pairfit::find_domains(a, b, pairs, options, best, {0.0}).domains.size(), 1u);
    // 76 pairs: once domain 1 holds more than 56 of them, at most 19 are left.
    options.min_size = 19;
    const pairfit::structure c = hinged_copy(a, {65}, {40.0}, {{0, 0, 1}}, 0.3);
    const pairfit::pairing pc = pairfit::pair_by_residue_number(a, c);
    const pairfit::result most = pairfit::compare(a, c, pc, options);
    ASSERT_GT(most.size, 56);
    EXPECT_EQ(pairfit::find_domains(a, c, pc, options, most).domains.size(), 1u);
}

TEST(Domains, ResidueRangesAndHingesFollowChains) {
    pairfit::structure s;
    auto add = [&](int model, const char *chain, int number, char code) {
        pairfit::ca_atom a;
        a.model = model, a.chain_id = chain, a.residue_number = number, a.insertion_code = code;
        a.x = static_cast<double>(s.size());
        s.atoms.push_back(a);
    };
    for (int r = -3; r <= 2; ++r) add(1, "", r, ' ');  // atoms 0-5, blank chain
    add(1, "H", 52, ' ');
    add(1, "H", 52, 'A');
    add(1, "H", 53, ' ');  // atoms 6-8
    pairfit::pairing pairs;
    for (int k = 0; k < 9; ++k) pairs.first.push_back(k), pairs.second.push_back(k);
    EXPECT_EQ(pairfit::residue_ranges(s, pairs, {0, 1, 2, 4, 5, 6, 7, 8}), ":-3--1,:1-2,H:52-53");
    EXPECT_EQ(pairfit::residue_ranges(s, pairs, {3, 7}), ":0,H:52A");
    EXPECT_EQ(pairfit::residue_ranges(s, pairs, {}), "");
    add(2, "H", 54, ' ');
    pairs.first.push_back(9), pairs.second.push_back(9);
    EXPECT_EQ(pairfit::residue_ranges(s, pairs, {7, 8, 9}), "1/H:52A-53,2/H:54");
}
