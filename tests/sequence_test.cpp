// Pairing by sequence across gaps and chains, the one-letter codes it
// aligns, and when residue names warn (renumbered copies of real entries:
// tests/expected/commands/pairing.txt).
#include <string>
#include <vector>

#include "structure/residue_names.h"
#include "test_util.h"

namespace {

const std::string HB4 = data_file("hemoglobin_2hhb_4chains.pdb.gz");
const std::string MODEL1 = data_file("ubiquitin_1d3z_model1.pdb");

// s without its atoms from..to-1.
pairfit::structure cut(const pairfit::structure &s, size_t from, size_t to) {
    pairfit::structure part = s;
    part.atoms.erase(part.atoms.begin() + from, part.atoms.begin() + to);
    return part;
}

}  // namespace

TEST(SequencePairing, GapsAndChainsPairAtomsOfTheSameResidue) {
    // Structure 2 lacks the first three residues of chain A; both hold chains A
    // and B. Every pair must join an atom with its own copy, also where a
    // residue has more C-alpha atoms on one side (crambin's residue 1).
    const pairfit::structure ab = pairfit::select(read_atoms(HB4), "//A,B");
    const pairfit::structure crambin = read_atoms(data_file("crambin_1ejg_altloc.pdb"));
    // The same atoms as one chain: one segment against two, aligned as whole sequences.
    pairfit::structure one_chain = ab;
    for (pairfit::ca_atom &a : one_chain.atoms) a.chain_id = "X";
    const struct {
        pairfit::structure first, second;
        size_t pairs;
    } cases[] = {
        {ab, cut(ab, 0, 3), 141 - 3 + 146}, {cut(ab, 0, 3), ab, 141 - 3 + 146},
        {ab, one_chain, 141 + 146},         {cut(one_chain, 0, 3), ab, 141 - 3 + 146},
        {crambin, cut(crambin, 1, 2), 52},
    };
    for (const auto &c : cases) {
        const pairfit::pairing p = pairfit::pair_by_sequence(c.first, c.second);
        ASSERT_EQ(p.size(), c.pairs);
        size_t same = 0;
        for (size_t k = 0; k < p.size(); ++k) {
            const pairfit::ca_atom &x = c.first.atoms[p.first[k]], &y = c.second.atoms[p.second[k]];
            same += x.serial == y.serial && x.x == y.x && x.y == y.y && x.z == y.z;
        }
        EXPECT_EQ(same, c.pairs);
    }
    // Chain i with chain i, even where the whole sequences would align B with
    // B: the last 30 residues of A, then B, against B, then A.
    const pairfit::structure tail_ab = cut(ab, 0, 111), ba = pairfit::select(read_atoms(HB4), "//B,A");
    const pairfit::pairing crossed = pairfit::pair_by_sequence(tail_ab, ba);
    std::vector<std::string> runs;  // the chains each pair joins, once per run
    for (size_t k = 0; k < crossed.size(); ++k) {
        const std::string joined =
            tail_ab.atoms[crossed.first[k]].chain_id + ba.atoms[crossed.second[k]].chain_id;
        if (runs.empty() || runs.back() != joined) runs.push_back(joined);
    }
    EXPECT_EQ(runs, (std::vector<std::string>{"AB", "BA"}));
}

TEST(SequencePairing, OneLetterCodes) {
    const std::pair<const char *, const char *> cases[] = {
        {"ALA", "ALA A"},
        {"AALA", "ALA A"},
        {"BSER", "SER S"},
        {"CSER", "SER S"},
        {"MSE", "MSE M"},
        {"AMSE", "MSE M"},
        {"UNK", "UNK X"},
        {"HOH", "HOH X"},
        {"XYZ", "XYZ X"},
        {"AXYZ", "AXYZ X"},
        {"A", "A X"},
        {"", " X"},
        {"SEC", "SEC U"},
        {"ASX", "ASX B"},
        // Bytes above 127 (a damaged file) name no residue, and are looked up
        // without shifting negative chars (the sanitizer build checks that).
        {"\xcf\x80L", "\xcf\x80L X"},
        {"A\xffLA", "A\xffLA X"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pairfit::plain_residue_name(c.first) + " " + pairfit::one_letter_code(c.first), c.second)
            << c.first;
}

// More than a tenth of the pairs, and at least 3, warn (the texts as the
// programs print them: tests/expected/commands/pairing.txt).
TEST(Warnings, PairsOfDifferentResidueNames) {
    const pairfit::structure model1 = read_atoms(MODEL1);
    const struct {
        size_t atoms, renamed;
        bool warns;
    } limits[] = {
        {10, 2, false}, {10, 3, true}, {76, 7, false}, {76, 8, true}, {20, 3, true}, {30, 3, false},
    };
    for (const auto &l : limits) {
        pairfit::structure a = model1, b = model1;
        a.atoms.resize(l.atoms), b.atoms.resize(l.atoms);
        for (size_t i = 0; i < l.renamed; ++i)
            b.atoms[i].residue_name = b.atoms[i].residue_name == "GLY" ? "ALA" : "GLY";
        for (size_t i = l.renamed; i < l.atoms; ++i) b.atoms[i].residue_name = "A" + b.atoms[i].residue_name;
        const std::string w = pairfit::residue_name_warning(a, b, pairfit::pair_by_residue_number(a, b));
        EXPECT_EQ(w.empty(), !l.warns) << l.atoms << " " << l.renamed << " " << w;
        if (l.warns) {
            EXPECT_EQ(w.substr(0, w.find(" pairs ")),
                      "Warning: " + std::to_string(l.renamed) + " of " + std::to_string(l.atoms));
        }
    }
    // A residue is shown with its insertion code.
    pairfit::structure a = model1, b = model1;
    a.atoms.resize(3), b.atoms.resize(3);
    a.atoms[0].insertion_code = b.atoms[0].insertion_code = 'A';
    for (pairfit::ca_atom &atom : b.atoms) atom.residue_name = "GLY";
    const std::string w = pairfit::residue_name_warning(a, b, pairfit::pair_by_residue_number(a, b));
    EXPECT_NE(w.find("(MET 1A with GLY 1A, GLN 2 with GLY 2, ILE 3 with GLY 3)"), std::string::npos) << w;
}
