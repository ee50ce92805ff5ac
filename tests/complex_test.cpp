// Chain mapping of assemblies: perturbed copies of real complexes, with
// their chains renamed and written in shuffled order, map to a chain order
// that fits at least as well as the true one; real dimer entries; a complex
// against one chain.
#include <cmath>
#include <random>

#include "test_util.h"

namespace {

using pairfit::structure;
using renaming = std::vector<std::pair<std::string, std::string>>;  // old chain, new chain

const std::string HEMOGLOBIN = "hemoglobin_2hhb_4chains.pdb.gz";

structure read(const std::string &name) {
    return pairfit::read_structure(data_file(name));
}

// The chains of s in the order of renames, each renamed, turned by 40
// degrees about z, shifted, and every atom jittered by up to 0.3 Angstrom
// per axis.
structure shuffled_copy(const structure &s, const renaming &renames) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    const double c = std::cos(0.7), sn = std::sin(0.7);
    structure out;
    out.source = "shuffled copy";
    for (const auto &rename : renames)
        for (pairfit::ca_atom a : s.atoms)
            if (a.chain_id == rename.first) {
                const double x = a.x, y = a.y;
                a.x = c * x - sn * y + 12 + jitter(random);
                a.y = sn * x + c * y - 7 + jitter(random);
                a.z += 3 + jitter(random);
                a.chain_id = rename.second;
                out.atoms.push_back(a);
            }
    return out;
}

// A ring of five copies of a real chain (chains A to E), each turned by a
// further 72 degrees about an axis 22 Angstrom from its centre, and its
// atoms jittered by up to 0.8 Angstrom per axis, so that, as in real rings,
// no two copies are quite alike.
structure pentamer_ring(const structure &chain) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> jitter(-0.8, 0.8);
    double cx = 0, cy = 0, cz = 0;
    for (const auto &a : chain.atoms) cx += a.x, cy += a.y, cz += a.z;
    const double n = static_cast<double>(chain.size());
    structure ring;
    ring.source = "ring";
    for (int k = 0; k < 5; ++k) {
        const double angle = k * 2 * M_PI / 5, c = std::cos(angle), sn = std::sin(angle);
        for (pairfit::ca_atom a : chain.atoms) {
            const double x = a.x - cx / n + 22, y = a.y - cy / n;
            a.x = c * x - sn * y + jitter(random);
            a.y = sn * x + c * y + jitter(random);
            a.z += jitter(random) - cz / n;
            a.chain_id = std::string(1, static_cast<char>('A' + k));
            ring.atoms.push_back(a);
        }
    }
    return ring;
}

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (const auto &name : names) text += (text.empty() ? "" : ",") + name;
    return text;
}

double pvalue(const structure &a, const structure &b, const pairfit::pairing &pairs) {
    pairfit::compare_options options;
    options.mode = pairfit::search_mode::fast;
    return pairfit::compare(a, b, pairs, options).pvalue;
}

// The map found for first against its shuffled copy is the true one, and
// its p-value no worse than that of the true chain order given as a
// selection of the copy.
void expect_true_map(const structure &first, const renaming &renames) {
    const structure copy = shuffled_copy(first, renames);
    const pairfit::complex_pairing found =
        pairfit::pair_complexes(first, copy, pairfit::pairing_method::residue_number);
    std::vector<std::string> true_order;
    for (const std::string &chain : pairfit::chain_names(first))
        for (const auto &rename : renames)
            if (rename.first == chain) true_order.push_back(rename.second);
    std::vector<std::string> found_order;
    for (const auto &match : found.chain_map) found_order.push_back(match.chain2);
    EXPECT_EQ(joined(found_order), joined(true_order));
    const structure in_true_order = pairfit::select(copy, "//" + joined(true_order));
    EXPECT_LE(pvalue(first, found.second, found.pairs),
              pvalue(first, in_true_order,
                     pairfit::pair_residues(first, in_true_order, pairfit::pairing_method::residue_number)));
}

}  // namespace

TEST(ChainMap, ShuffledCopiesOfRealComplexesMapToTheTrueOrder) {
    expect_true_map(read("large_glua3ntd_3o21_CD.pdb.gz"), {{"D", "A"}, {"C", "B"}});
    expect_true_map(read(HEMOGLOBIN), {{"C", "W"}, {"B", "Z"}, {"D", "X"}, {"A", "Y"}});
    expect_true_map(pentamer_ring(read("ubiquitin_1ubq_xray.pdb")),
                    {{"D", "P"}, {"A", "Q"}, {"E", "R"}, {"B", "S"}, {"C", "T"}});
}

TEST(ChainMap, TwoDimerEntriesMapAtLeastAsWellAsEitherExplicitOrder) {
    const structure first = read("large_glua3ntd_3o21_CD.pdb.gz");
    const structure second = read("large_glua3ntd_3p3w_AC.pdb.gz");
    for (const auto method : {pairfit::pairing_method::residue_number, pairfit::pairing_method::sequence}) {
        const pairfit::complex_pairing found = pairfit::pair_complexes(first, second, method);
        ASSERT_EQ(found.chain_map.size(), 2u);
        EXPECT_EQ(found.chain_map[0].chain1 + found.chain_map[1].chain1, "CD");
        double best = 1.0;
        for (const char *order : {"//A,C", "//C,A"}) {
            const structure explicit_order = pairfit::select(second, order);
            best = std::min(
                best, pvalue(first, explicit_order, pairfit::pair_residues(first, explicit_order, method)));
        }
        EXPECT_LE(pvalue(first, found.second, found.pairs), best);
        EXPECT_EQ(found.second.size(), second.size());
    }
}

TEST(ChainMap, AComplexAgainstOneChainMapsItToItsBestChain) {
    const structure complex = read(HEMOGLOBIN), beta = read("hemoglobin_2hhb_chainB_ca.pdb");
    double best = 1.0;
    for (const char *chain : {"//B", "//D"}) {
        const structure one = pairfit::select(complex, chain);
        best = std::min(best, pvalue(one, beta, pairfit::pair_by_residue_number(one, beta)));
    }
    // Either way round: the beta chain goes with a beta chain of the tetramer.
    const pairfit::complex_pairing forward =
        pairfit::pair_complexes(complex, beta, pairfit::pairing_method::residue_number);
    EXPECT_EQ(pairfit::chain_map_text(forward.chain_map), "A=-\tB=B\tC=-\tD=-");
    EXPECT_LE(pvalue(complex, forward.second, forward.pairs), best);
    const pairfit::complex_pairing backward =
        pairfit::pair_complexes(beta, complex, pairfit::pairing_method::residue_number);
    ASSERT_EQ(backward.chain_map.size(), 1u);
    EXPECT_TRUE(backward.chain_map[0].chain2 == "B" || backward.chain_map[0].chain2 == "D");
    EXPECT_LE(pvalue(beta, backward.second, backward.pairs), best);
}
