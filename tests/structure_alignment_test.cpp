// Pairing by structure: renumbered, perturbed copies of real chains must
// come back to their true correspondence; real homologs must reach the
// TM-scores of an established structural aligner; the alignment lines and
// alignments read back from them.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "align/structure_alignment.h"
#include "pairfit/alignment.h"
#include "structure/residues.h"
#include "test_util.h"

namespace {

const std::string HB_A = data_file("hemoglobin_2hhb_chainA_ca.pdb");
const std::string HB_B = data_file("hemoglobin_2hhb_chainB_ca.pdb");
const std::string LDH = example_file("demo_ldh_6ldh_A.pdb");
const std::string UBQ = data_file("ubiquitin_1ubq_xray.pdb");
const std::string YEAST = data_file("cytc_yeast_1cih_negnum.pdb");
const std::string HORSE = data_file("cytc_horse_2pcb_B.pdb");

// A copy of s without the atoms in [from, to) of each cut, renumbered from
// 1001, every atom moved by up to noise Angstrom in each axis, then rotated
// and shifted; truth[i] is the copy's atom for s's atom i, or -1.
pairfit::structure mangled(const pairfit::structure &s, const std::vector<std::pair<int, int>> &cuts,
                           double noise, unsigned seed, std::vector<int> *truth) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> shake(-noise, noise);
    const double a = 0.7, c = std::cos(a), d = std::sin(a);
    pairfit::structure copy;
    copy.source = s.source + " (mangled)";
    truth->assign(s.size(), -1);
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        bool cut = false;
        for (const auto &range : cuts) cut = cut || (i >= range.first && i < range.second);
        if (cut) continue;
        pairfit::ca_atom atom = s.atoms[i];
        const double x = atom.x + shake(random), y = atom.y + shake(random), z = atom.z + shake(random);
        atom.x = c * x - d * y + 12.0;
        atom.y = d * x + c * y - 30.0;
        atom.z = z + 7.5;
        // Alternate locations keep sharing their residue.
        const bool alternate =
            i > 0 && pairfit::same_residue(s.atoms[i - 1], s.atoms[i]) && !copy.atoms.empty();
        atom.residue_number =
            alternate ? copy.atoms.back().residue_number : 1001 + static_cast<int>(copy.size());
        (*truth)[i] = static_cast<int>(copy.size());
        copy.atoms.push_back(atom);
    }
    return copy;
}

TEST(StructurePairing, MangledCopiesComeBackToTheirTrueCorrespondence) {
    const struct {
        std::string path;
        std::vector<std::pair<int, int>> cuts;
        double noise;
    } cases[] = {
        {LDH, {{40, 46}, {200, 203}}, 0.6},
        {HB_A, {{0, 3}, {70, 74}}, 0.8},
        {UBQ, {{30, 32}}, 0.5},
        {YEAST, {}, 1.0},
        // Alternate locations: residue 22 has three C-alpha atoms.
        {data_file("crambin_1ejg_altloc.pdb"), {{5, 7}}, 0.4},
    };
    for (const auto &c : cases) {
        const pairfit::structure original = read_atoms(c.path);
        std::vector<int> truth;
        const pairfit::structure copy = mangled(original, c.cuts, c.noise, 11, &truth);
        for (bool reversed : {false, true}) {
            const pairfit::pairing pairs = reversed ? pairfit::pair_by_structure(copy, original)
                                                    : pairfit::pair_by_structure(original, copy);
            size_t right = 0, expected = 0;
            for (int t : truth) expected += t >= 0;
            for (size_t k = 0; k < pairs.size(); ++k) {
                const int i = reversed ? pairs.second[k] : pairs.first[k],
                          j = reversed ? pairs.first[k] : pairs.second[k];
                right += truth[i] == j;
            }
            EXPECT_GE(right, 0.98 * expected)
                << c.path << (reversed ? " reversed" : "") << ": " << right << " of " << expected;
            EXPECT_LE(pairs.size(), expected + 2) << c.path;
        }
    }
}

// The TM-score of the pairs, normalised by structure 1, under the best
// superposition the thorough search finds.
double tm_score_of(const pairfit::structure &a, const pairfit::structure &b, const pairfit::pairing &pairs) {
    std::vector<gemmi::Position> x, y;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const pairfit::ca_atom &p = a.atoms[pairs.first[k]], &q = b.atoms[pairs.second[k]];
        x.emplace_back(p.x, p.y, p.z);
        y.emplace_back(q.x, q.y, q.z);
    }
    const int length = static_cast<int>(a.size());
    return pairfit::superposition_search().max_tm_score(x.data(), y.data(), static_cast<int>(x.size()),
                                                        pairfit::tm_score_d0(length), length,
                                                        pairfit::thorough_tm_search);
}

TEST(StructurePairing, HomologsReachTheEstablishedAlignersScores) {
    // TMalign (Debian tm-align 20190822) recorded on these pairs.
    const struct {
        std::string first, second;
        double recorded;
    } cases[] = {
        {HB_A, HB_B, 0.90439},
        {HB_B, HB_A, 0.87577},
        {YEAST, HORSE, 0.92179},
        {example_file("demo_ldh_1ldm_A.pdb"), LDH, 0.96146},
        // Two trypsin-like proteases (30% identical), lactate against malate
        // dehydrogenase (19%).
        {data_file("trypsin_1op2_a_ca.pdb.gz"), data_file("trypsin_1dsu_a_ca.pdb.gz"), 0.87340},
        {data_file("ldh_mdh_1t2f_a_ca.pdb.gz"), data_file("ldh_mdh_1mld_a_ca.pdb.gz"), 0.81644},
    };
    for (const auto &c : cases) {
        const pairfit::structure a = read_atoms(c.first), b = read_atoms(c.second);
        const double mine = tm_score_of(a, b, pairfit::pair_by_structure(a, b));
        EXPECT_GE(mine, c.recorded - 0.01) << c.first << " " << c.second;
    }
}

TEST(AlignmentLines, GapsMarksAndUnpairedEnds) {
    pairfit::structure a, b;
    const auto add = [](pairfit::structure &s, const char *name) {
        pairfit::ca_atom atom;
        atom.residue_name = name;
        s.atoms.push_back(atom);
    };
    for (const char *name : {"GLY", "ALA", "SER", "TRP"}) add(a, name);
    for (const char *name : {"MET", "ALA", "CYS", "TRP", "LYS"}) add(b, name);
    pairfit::pairing pairs;
    pairs.first = {1, 3};
    pairs.second = {1, 3};
    const auto lines = pairfit::alignment_lines(a, b, pairs, {1, 0});
    EXPECT_EQ(lines[0], "G-AS-W-");
    EXPECT_EQ(lines[1], "  :  . ");
    EXPECT_EQ(lines[2], "-MA-CWK");
    // Read back, the lines pair the same atoms.
    const pairfit::pairing back = pairfit::pair_by_alignment(a, b, {lines[0], lines[2]});
    EXPECT_EQ(back.first, pairs.first);
    EXPECT_EQ(back.second, pairs.second);
}

}  // namespace
