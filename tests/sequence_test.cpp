// Pairing by sequence on real entries renumbered (shifted, restarted, with
// gaps), the one-letter codes it aligns, and the warnings about residue
// names and files without C-alpha atoms.
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "structure/residue_names.h"
#include "test_util.h"

namespace {

const std::string HB4 = data_file("hemoglobin_2hhb_4chains.pdb.gz");
const std::string HB_B = data_file("hemoglobin_2hhb_chainB_ca.pdb");
const std::string MODEL1 = data_file("ubiquitin_1d3z_model1.pdb");
const std::string MODEL2 = data_file("ubiquitin_1d3z_model2.pdb");
const std::string YEAST_NEG = data_file("cytc_yeast_1cih_negnum.pdb");
const std::string YEAST_FROM1 = data_file("cytc_yeast_1u74_D_from1.pdb");

std::string text_of(const std::string &path) {
    return path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0
               ? run_shell("zcat " + quote(path)).out
               : read_file(path);
}

// A copy of the PDB file at path whose k-th residue (counting from 0 in
// file order; a residue is a run of ATOM/HETATM lines with the same chain,
// number and insertion code) is numbered number(k), without insertion code.
// Nothing else changes.
struct Renumbered : Scratch {
    Renumbered(const std::string &name, const std::string &path, const std::function<int(int)> &number)
        : Scratch(name, renumber(text_of(path), number)) {}
    static std::string renumber(const std::string &text, const std::function<int(int)> &number) {
        std::istringstream in(text);
        std::string out, last_key;
        int k = -1;
        for (std::string line; std::getline(in, line);) {
            if ((line.rfind("ATOM", 0) == 0 || line.rfind("HETATM", 0) == 0) && line.size() >= 27) {
                const std::string key = line.substr(21, 6);
                if (key != last_key) ++k, last_key = key;
                char field[8];
                std::snprintf(field, sizeof field, "%4d ", number(k));
                line.replace(22, 5, field);
            }
            out += line + "\n";
        }
        return out;
    }
};

// Shifted by 100, restarting at 1 from the 31st residue, then from 300 on
// with a gap after every residue.
int shift_restart_gap(int k) {
    return k < 30 ? 101 + k : k < 50 ? k - 29 : 300 + 2 * (k - 50);
}

std::string stderr_of(const std::string &args) {
    return run_pairfit(args + " 2>&1 >/dev/null").out;
}

pairfit::structure keep(const pairfit::structure &s, size_t from) {
    pairfit::structure part = s;
    part.atoms.erase(part.atoms.begin(), part.atoms.begin() + from);
    return part;
}

}  // namespace

// The same structures numbered otherwise pair by sequence as the original
// numbering pairs by number: every line of -a and -b the same.
TEST(SequencePairing, RenumberedCopiesGiveWhatTheOriginalNumberingGives) {
    const Renumbered model2("model2_renumbered.pdb", MODEL2, shift_restart_gap);
    const Renumbered hb_b("hb_b_renumbered.pdb", HB_B, shift_restart_gap);
    // Four chains numbered on through the file, instead of from 1 in each.
    const Renumbered hb4("hb4_renumbered.pdb", HB4, [](int k) { return k + 1; });
    const Renumbered crambin("crambin_renumbered.pdb", data_file("crambin_1ejg_altloc.pdb"),
                             shift_restart_gap);
    const Renumbered yeast("cytc_yeast_from1.pdb", YEAST_NEG, [](int k) { return k + 1; });
    const std::string fab = data_file("fab_1a0q_inscodes.pdb.gz");
    const Renumbered fab_plain("fab_no_inscodes.pdb", fab, [](int k) { return k + 1; });
    const struct {
        std::string by_sequence, by_number;
    } cases[] = {
        {quote(MODEL1) + " " + quote(model2.path), quote(MODEL1) + " " + quote(MODEL2)},
        {quote(model2.path) + " " + quote(MODEL1), quote(MODEL2) + " " + quote(MODEL1)},
        {quote(data_file("ubiquitin_1d3z_nmr.cif.gz") + "@/2") + " " + quote(MODEL1),
         quote(MODEL2) + " " + quote(MODEL1)},
        {quote(HB4 + "@//B") + " " + quote(hb_b.path), quote(HB4 + "@//B") + " " + quote(HB_B)},
        // Chain i with chain i.
        {quote(HB4) + " " + quote(hb4.path), quote(HB4) + " " + quote(HB4)},
        {quote(hb4.path + "@//C,D") + " " + quote(HB4 + "@/1/C,D"),
         quote(HB4 + "@//C,D") + " " + quote(HB4 + "@//C,D")},
        // Alternate locations of residue 22 (APRO, BSER, CSER) pair as by number.
        {quote(crambin.path) + " " + quote(data_file("crambin_1ejg_altloc.pdb")),
         quote(data_file("crambin_1ejg_altloc.pdb")) + " " + quote(data_file("crambin_1ejg_altloc.pdb"))},
        // The same cytochrome c numbered -5 to 103 (no 0) and 1 to 108.
        {quote(YEAST_NEG) + " " + quote(YEAST_FROM1), quote(yeast.path) + " " + quote(YEAST_FROM1)},
        // Residues 52 and 52A are two residues, numbered on without insertion codes in the copy.
        {quote(fab_plain.path) + " " + quote(fab), quote(fab) + " " + quote(fab)},
    };
    for (const auto &c : cases) {
        const RunResult by_sequence = run_pairfit("-seq -a -b " + c.by_sequence + " 2>/dev/null");
        EXPECT_EQ(by_sequence.out, run_pairfit("-a -b " + c.by_number + " 2>/dev/null").out) << c.by_sequence;
        EXPECT_EQ(by_sequence.status, 0);
        EXPECT_NE(by_sequence.out.find("SCORE:\t"), std::string::npos);
    }
    // All 108 residues of the cytochrome pair, which by number pairs 20 in its best subset.
    const std::string line = run_pairfit("-seq " + quote(YEAST_NEG) + " " + quote(YEAST_FROM1)).out;
    EXPECT_EQ(line.substr(0, 15), "SCORE:\t108\t108\t");
}

TEST(SequencePairing, GapsAndChainsPairAtomsOfTheSameResidue) {
    // Structure 2 lacks the first three residues of chain A; both hold chains A
    // and B. Every pair must join an atom with its own copy.
    const pairfit::structure ab = pairfit::select(read_atoms(HB4), "//A,B");
    // The same atoms as one chain: one segment against two, aligned as whole sequences.
    pairfit::structure one_chain = ab;
    for (pairfit::ca_atom &a : one_chain.atoms) a.chain_id = "X";
    const struct {
        pairfit::structure first, second;
        size_t pairs;
    } cases[] = {
        {ab, keep(ab, 3), 141 - 3 + 146},
        {keep(ab, 3), ab, 141 - 3 + 146},
        {ab, one_chain, 141 + 146},
        {keep(one_chain, 3), ab, 141 - 3 + 146},
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
    const pairfit::structure tail_ab = keep(ab, 111), ba = pairfit::select(read_atoms(HB4), "//B,A");
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

TEST(Warnings, PairsOfDifferentResidueNames) {
    const std::string hint_number =
        "; residues are paired by number: -seq pairs them by sequence, -struct by structure, and FILE@//A "
        "compares chain A alone\n";
    const struct {
        std::string args, err;
    } cases[] = {
        {quote(HB4) + " " + quote(HB_B),
         "Warning: 127 of 146 pairs join residues of different names in " + HB4 + " and " + HB_B +
             " (LEU 2 with HIS 2, SER 3 with LEU 3, PRO 4 with THR 4, ALA 5 with PRO 5, ASP 6 with GLU 6, ...)" +
             hint_number},
        {quote(YEAST_NEG) + " " + quote(YEAST_FROM1),
         "Warning: 95 of 103 pairs join residues of different names in " + YEAST_NEG + " and " + YEAST_FROM1 +
             " (GLY 1 with THR 1, SER 2 with GLU 2, ALA 3 with PHE 3, LYS 5 with ALA 5, ALA 7 with SER 7, ...)" +
             hint_number},
        {"-seq " + quote(HB4 + "@//A") + " " + quote(HB_B),
         "Warning: 75 of 139 pairs join residues of different names in " + HB4 + "@//A and " + HB_B +
             " (SER 3 with THR 4, ALA 5 with GLU 6, ASP 6 with GLU 7, THR 8 with SER 9, ASN 9 with ALA 10, ...)"
             "; residues are paired by sequence: are these the chains meant? FILE@//A compares chain A alone\n"},
        {quote(HB4 + "@//B") + " " + quote(HB_B), ""},
        {"-seq " + quote(YEAST_NEG) + " " + quote(YEAST_FROM1), ""},
        {quote(MODEL1) + " " + quote(MODEL2), ""},
        // Residue 22 is APRO, BSER and CSER: alternate-location letters do not count.
        {quote(data_file("crambin_1ejg_altloc.pdb")) + " " + quote(data_file("crambin_1ejg_altloc.cif.gz")),
         ""},
    };
    for (const auto &c : cases) EXPECT_EQ(stderr_of(c.args), c.err) << c.args;

    // More than a tenth of the pairs, and at least 3.
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

// Standard output and the exit status stay what they were; the warning goes
// to standard error, in both programs.
TEST(Warnings, FilesWithoutCalphaAtoms) {
    Scratch empty("empty.pdb", "");
    const std::string text = data_file("README.md"), xray = data_file("ubiquitin_1ubq_xray.pdb");
    auto warning = [](const std::string &path) {
        return "Warning: no C-alpha atom in file " + path +
               " (ATOM records or mmCIF ATOM rows of atoms named CA): nothing to compare\n";
    };
    const struct {
        std::string args, out, err;
    } cases[] = {
        {quote(empty.path) + " " + quote(xray), "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-inf\n",
         warning(empty.path)},
        {quote(xray) + " " + quote(text), "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n",
         warning(text)},
    };
    for (const auto &c : cases) {
        Scratch err("stderr.txt", "");
        const RunResult r = run_pairfit(c.args + " 2>" + quote(err.path));
        EXPECT_EQ(r.out + read_file(err.path) + std::to_string(r.status), c.out + c.err + "0") << c.args;
    }
    Scratch err("batch_stderr.txt", "");
    const RunResult r = run_shell(quote(PAIRFIT_BATCH_BINARY) + " -j 1 " + quote(xray) + " " + quote(text) +
                                  " " + quote(empty.path) + " 2>" + quote(err.path));
    EXPECT_EQ(r.out, "file1\tfile2\tmax_natoms\tsize\trms\tscore\tpvalue\tnormalised_pvalue\n" + xray + "\t" +
                         text + "\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n" + xray + "\t" +
                         empty.path + "\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n");
    EXPECT_EQ(read_file(err.path) + std::to_string(r.status), warning(text) + warning(empty.path) + "0");
}
