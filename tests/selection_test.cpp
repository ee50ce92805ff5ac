// Models and chains chosen by selection, and FILE@SELECTION names, on real
// entries: the library's select, pairfit against files that hold the
// same atoms alone, the errors, and pairfit-batch's --split against the
// model files that awk cuts out.
#include <algorithm>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

const std::string HB4 = data_file("hemoglobin_2hhb_4chains.pdb.gz");
const std::string HB_B = data_file("hemoglobin_2hhb_chainB_ca.pdb");
const std::string NMR = data_file("ubiquitin_1d3z_nmr.pdb.gz");
const std::string NMR_CIF = data_file("ubiquitin_1d3z_nmr.cif.gz");
const std::string MODEL1 = data_file("ubiquitin_1d3z_model1.pdb");

// Count, then model and chain of the first and last atom.
std::string summary(const pairfit::structure &s) {
    if (s.atoms.empty()) return "0";
    const pairfit::ca_atom &a = s.atoms.front(), &b = s.atoms.back();
    return std::to_string(s.size()) + " " + std::to_string(a.model) + a.chain_id + ".." +
           std::to_string(b.model) + b.chain_id;
}

std::string read_selected(const std::string &path, const std::string &selection) {
    pairfit::read_options options;
    options.selection = selection;
    try {
        return summary(pairfit::read_structure(path, options));
    } catch (const pairfit::read_error &e) {
        return std::to_string(static_cast<int>(e.kind())) + " " + e.what();
    }
}

}  // namespace

TEST(Selection, KeepsTheModelsAndChainsNamedInTheOrderGiven) {
    const std::string overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz");
    const struct {
        std::string path, selection, expected;
    } cases[] = {
        {HB4, "/1", "574 1A..1D"},
        {HB4, "//B", "146 1B..1B"},
        {HB4, "B", "146 1B..1B"},  // without the leading '/', the text starts at the chain
        {HB4, "/1/C,A", "282 1C..1A"},
        {HB4, "/1/D,C,B,A,D", "574 1D..1A"},
        {HB4, "//!A", "433 1B..1D"},
        {HB4, "/*/*", "574 1A..1D"},
        {NMR, "/3", "76 3A..3A"},
        {NMR, "//A", "760 1A..10A"},
        {NMR_CIF, "/10/A", "76 10A..10A"},
        // The atom limit counts the atoms kept: one model of an ensemble too large as a whole.
        {overcap, "/116", "76 116A..116A"},
        {overcap, "//A", "2 Too many C-alpha atoms in file " + overcap + " (at most 5000)"},
    };
    for (const auto &c : cases) EXPECT_EQ(read_selected(c.path, c.selection), c.expected) << c.selection;

    // select() on a structure already read gives what reading with the selection gives.
    const pairfit::structure whole = read_atoms(HB4);
    pairfit::read_options options;
    options.selection = "/1/C,A";
    const pairfit::structure read = pairfit::read_structure(HB4, options),
                             chosen = pairfit::select(whole, "/1/C,A");
    EXPECT_EQ(atoms_of(chosen), atoms_of(read));
    EXPECT_EQ(chosen.selection, "/1/C,A");
    EXPECT_EQ(pairfit::display_name(chosen), HB4 + "@/1/C,A");
    EXPECT_EQ(pairfit::display_name(whole), HB4);
    // Chain C first, then A, each in file order.
    pairfit::structure c_then_a = pairfit::select(whole, "//C"), a = pairfit::select(whole, "//A");
    c_then_a.atoms.insert(c_then_a.atoms.end(), a.atoms.begin(), a.atoms.end());
    EXPECT_EQ(atoms_of(chosen), atoms_of(c_then_a));
}

TEST(Selection, ErrorsNameTheFileAndTheSelection) {
    Scratch empty("empty.pdb", "");
    auto no_match = [](const std::string &sel, const std::string &path, const std::string &why) {
        return "4 Selection '" + sel + "' matches no C-alpha atom in file " + path + ": " + why;
    };
    auto bad = [](const std::string &sel, const std::string &path, const std::string &why) {
        return "3 Bad selection '" + sel + "' for file " + path + ": " + why;
    };
    const std::string beyond = "only models and chains can be selected, as in /1, //A or /1/A,B";
    const struct {
        std::string path, selection, expected;
    } cases[] = {
        {HB4, "//Z", no_match("//Z", HB4, "no chain Z (chains: A, B, C, D)")},
        {HB4, "/1/A,Z", no_match("/1/A,Z", HB4, "no chain Z in model 1 (chains: A, B, C, D)")},
        {HB4, "//!A,B,C,D", no_match("//!A,B,C,D", HB4, "no atom is left in the models and chains selected")},
        {HB4, "/2", no_match("/2", HB4, "no model 2 (the file has model 1 only)")},
        {NMR, "/11", no_match("/11", NMR, "no model 11 (the file has 10 models, numbered 1 to 10)")},
        {NMR_CIF, "/11/A",
         no_match("/11/A", NMR_CIF, "no model 11 (the file has 10 models, numbered 1 to 10)")},
        // Numbers beyond the int range name no model, whatever they wrap to.
        {NMR, "/4294967298",
         no_match("/4294967298", NMR, "no model 4294967298 (the file has 10 models, numbered 1 to 10)")},
        {NMR_CIF, "/99999999999/A",
         no_match("/99999999999/A", NMR_CIF,
                  "no model 99999999999 (the file has 10 models, numbered 1 to 10)")},
        {HB4, "/-4294967295",
         no_match("/-4294967295", HB4, "no model -4294967295 (the file has model 1 only)")},
        {HB4, "/4294967296", no_match("/4294967296", HB4, "no model 4294967296 (the file has model 1 only)")},
        {empty.path, "/1", no_match("/1", empty.path, "the file has no C-alpha atom")},
        {HB4, "/1/A/10-20", bad("/1/A/10-20", HB4, beyond)},
        {HB4, "//A/(HIS)", bad("//A/(HIS)", HB4, beyond)},
        {HB4, "//A//CA", bad("//A//CA", HB4, beyond)},
        {HB4, "//A;polymer", bad("//A;polymer", HB4, beyond)},
        {HB4, "10", bad("10", HB4, beyond)},
        {HB4, "/0", bad("/0", HB4, "models are numbered from 1")},
        {HB4, "/1x", bad("/1x", HB4, "Invalid selection syntax (at model number): /1x")},
        // The selection is checked before the file is opened.
        {temp_path("missing.pdb"), "/1-",
         bad("/1-", temp_path("missing.pdb"), "Invalid selection syntax (at model number): /1-")},
    };
    for (const auto &c : cases) EXPECT_EQ(read_selected(c.path, c.selection), c.expected) << c.selection;
}

TEST(Selection, NamesAFileAndAPartOfIt) {
    // A name that exists as a file is that file, whatever '@' it holds.
    Scratch odd("odd@B", read_file(HB_B));
    ASSERT_EQ(read_atoms(odd.path).size(), 146u);
    const std::string missing = temp_path("missing.pdb");
    const struct {
        std::string name, path, selection;
    } cases[] = {
        {HB4, HB4, ""},
        {HB4 + "@//B", HB4, "//B"},
        {HB4 + "@/1@/1", HB4 + "@/1@/1", ""},  // the part before the last '@' is no file
        {HB4 + "@", HB4 + "@", ""},
        {missing + "@/1", missing + "@/1", ""},
        {odd.path, odd.path, ""},
        {odd.path + "@/1/B", odd.path, "/1/B"},
    };
    for (const auto &c : cases) {
        const pairfit::structure_name n = pairfit::parse_structure_name(c.name);
        EXPECT_EQ(n.path + " | " + n.selection, c.path + " | " + c.selection) << c.name;
    }
    // Reading a name: the file's part is the source, the rest the selection;
    // a selection given in the options takes the name as a path.
    const pairfit::structure chain_b = pairfit::read_named_structure(HB4 + "@//B");
    EXPECT_EQ(pairfit::display_name(chain_b), HB4 + "@//B");
    EXPECT_EQ(chain_b.size(), 146u);
    EXPECT_EQ(pairfit::display_name(pairfit::read_named_structure(odd.path + "@/1/B")), odd.path + "@/1/B");
    EXPECT_EQ(pairfit::read_named_structure(odd.path).size(), 146u);
    pairfit::read_options chain_a;
    chain_a.selection = "//A";
    EXPECT_EQ(pairfit::display_name(pairfit::read_named_structure(HB4, chain_a)), HB4 + "@//A");
    try {
        pairfit::read_named_structure(HB4 + "@//B", chain_a);
        ADD_FAILURE() << "a name with its own selection read as a path";
    } catch (const pairfit::read_error &e) {
        EXPECT_EQ(e.kind(), pairfit::read_failure::cannot_open);
        EXPECT_EQ(e.path(), HB4 + "@//B");
    }
}

// A part of a file selected gives, line for line, what the file holding
// that part alone gives; mmCIF and PDB twins alike.
TEST(Selection, PairfitOnAPartEqualsPairfitOnTheFileOfThatPart) {
    const std::string hb_a = data_file("hemoglobin_2hhb_chainA_ca.pdb"),
                      model2 = data_file("ubiquitin_1d3z_model2.pdb");
    const std::string xray = data_file("ubiquitin_1ubq_xray.pdb"),
                      xray_cif = data_file("ubiquitin_1ubq_xray.cif");
    const struct {
        std::string options, selected1, selected2, plain1, plain2;
    } cases[] = {
        {"-a -o -b", HB4 + "@//B", HB_B, HB_B, HB_B},
        {"-o", HB4 + "@A", hb_a, hb_a, hb_a},
        {"-a -o -b", NMR + "@/1", MODEL1, MODEL1, MODEL1},
        {"-a -o -b -v", NMR + "@/2", MODEL1, model2, MODEL1},
        // The mmCIF file numbers atoms on through all models: -o would show other serials.
        {"-a -b", NMR_CIF + "@/2", MODEL1, model2, MODEL1},
        {"-a -b", MODEL1, NMR_CIF + "@/2/A", MODEL1, model2},
        {"-a -o -b", xray_cif + "@/1/A", MODEL1, xray, MODEL1},
        {"-a -b", NMR_CIF + "@//A", xray, NMR, xray},
    };
    for (const auto &c : cases) {
        const Outcome selected = pairfit_run(c.options + " " + quote(c.selected1) + " " + quote(c.selected2));
        const Outcome plain = pairfit_run(c.options + " " + quote(c.plain1) + " " + quote(c.plain2));
        // A structure of several models is warned about under its own name.
        if (selected.err.find(" models read as one structure") != std::string::npos)
            EXPECT_EQ(selected.out + std::to_string(selected.status),
                      plain.out + std::to_string(plain.status));
        else
            EXPECT_EQ(selected, plain) << c.selected1 << " " << c.selected2;
        EXPECT_EQ(selected.status, 0);
    }
    // The coordinate file too.
    const std::string pdb1 = temp_path("selected.pdb"), pdb2 = temp_path("plain.pdb");
    pairfit_run("-pdb " + quote(pdb1) + " " + quote(HB4 + "@//B") + " " + quote(HB_B));
    pairfit_run("-pdb " + quote(pdb2) + " " + quote(HB_B) + " " + quote(HB_B));
    EXPECT_EQ(read_file(pdb1), read_file(pdb2));
    EXPECT_NE(read_file(pdb1), "");
    std::remove(pdb1.c_str());
    std::remove(pdb2.c_str());
}

TEST(Selection, ProgramsReportBadSelectionsOnStandardError) {
    const std::string missing = temp_path("missing.pdb");
    const std::string no_chain =
        "Selection '//Z' matches no C-alpha atom in file " + HB4 + ": no chain Z (chains: A, B, C, D)\n";
    const std::string no_model = "Selection '/12' matches no C-alpha atom in file " + NMR_CIF +
                                 ": no model 12 (the file has 10 models, numbered 1 to 10)\n";
    const std::string malformed = "Bad selection '/1/A/10-20' for file " + HB4 +
                                  ": only models and chains can be selected, as in /1, //A or /1/A,B\n";
    const struct {
        std::string args;
        Outcome expected;
    } cases[] = {
        {quote(HB4 + "@//Z") + " " + quote(HB_B), {"", no_chain, 1}},
        {quote(MODEL1) + " " + quote(NMR_CIF + "@/12"), {"", no_model, 1}},
        {quote(MODEL1) + " " + quote(NMR_CIF + "@/4294967298"),
         {"",
          "Selection '/4294967298' matches no C-alpha atom in file " + NMR_CIF +
              ": no model 4294967298 (the file has 10 models, numbered 1 to 10)\n",
          1}},
        {quote(HB4 + "@/1/A/10-20") + " " + quote(HB4 + "@//Z"), {"", malformed, 1}},
        // A name whose file part does not exist is a missing file, as before.
        {quote(missing + "@/1") + " " + quote(HB_B), {"Couldn't open file " + missing + "@/1\n", "", 1}},
    };
    for (const auto &c : cases) EXPECT_EQ(pairfit_run(c.args), c.expected) << c.args;

    // pairfit-batch: the message in the rows of the structure and on standard error.
    const Outcome r =
        batch_run("-j 2 " + quote(HB_B) + " " + quote(HB4 + "@//Z") + " " + quote(HB4 + "@//B"));
    const std::string header = "file1\tfile2\tmax_natoms\tsize\trms\tscore\tpvalue\tnormalised_pvalue\n";
    const std::string same = pairfit_run(quote(HB_B) + " " + quote(HB4 + "@//B")).out.substr(7);
    EXPECT_EQ(r,
              (Outcome{header + HB_B + "\t" + HB4 + "@//Z\t" + no_chain + HB_B + "\t" + HB4 + "@//B\t" + same,
                       no_chain + "pairfit-batch: 1 of 2 pairs failed\n", 1}));
    for (const std::string &args :
         {"--split model " + quote(HB_B) + " " + quote(HB4), "--split " + quote(HB4)})
        EXPECT_EQ(batch_run(args).status, 2) << args;
}

// The README's example: an NMR ensemble cut into one file a model by awk,
// all against all, equals --split models on the PDB file and on its mmCIF twin.
TEST(Selection, BatchSplitIntoModelsEqualsTheFilesAwkCutsOut) {
    const std::vector<std::string> models = split_ubiquitin_models(temp_path("awk_models"));
    std::string names;
    for (const std::string &m : models) names += " " + quote(m);
    const std::string expected = batch_run("-j 2 --all" + names).out;
    ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 91);
    for (const std::string &file : {NMR, NMR_CIF}) {
        std::string renamed = expected;
        for (int m = 0; m < 10; ++m) {
            const std::string to = file + "@/" + std::to_string(m + 1);
            for (size_t at = renamed.find(models[m]); at != std::string::npos;
                 at = renamed.find(models[m], at + to.size()))
                renamed.replace(at, models[m].size(), to);
        }
        EXPECT_EQ(batch_run("-j 2 --split models --all " + quote(file)), (Outcome{renamed, "", 0})) << file;
    }
}

// --split chains names every chain of every model; each row is pairfit's
// SCORE line for the two parts; a name with a selection is not split.
TEST(Selection, BatchSplitIntoChainsAndListedPairs) {
    const std::string header = "file1\tfile2\tmax_natoms\tsize\trms\tscore\tpvalue\tnormalised_pvalue\n";
    auto rows = [&](const std::vector<std::pair<std::string, std::string>> &pairs,
                    const std::string &options) {
        std::string text = header;
        for (const auto &p : pairs)
            text += p.first + "\t" + p.second + "\t" +
                    pairfit_run(options + quote(p.first) + " " + quote(p.second)).out.substr(7);
        return text;
    };
    const std::string ref = HB_B + "@/1/B";
    Outcome r = batch_run("--split chains " + quote(HB_B) + " " + quote(HB4));
    EXPECT_EQ(
        r.out,
        rows({{ref, HB4 + "@/1/A"}, {ref, HB4 + "@/1/B"}, {ref, HB4 + "@/1/C"}, {ref, HB4 + "@/1/D"}}, ""));
    EXPECT_EQ(r.status, 0);

    // A chain that resumes after another is one piece; a file without C-alpha
    // atoms is not split, and keeps its row and warning.
    const std::string chain_a = data_file("hemoglobin_2hhb_chainA_ca.pdb"), a_b_a = temp_path("a_b_a.pdb");
    ASSERT_EQ(run_shell("(head -n 70 " + quote(chain_a) + "; grep ^ATOM " + quote(HB_B) + "; tail -n +71 " +
                        quote(chain_a) + ") | grep ^ATOM >" + quote(a_b_a))
                  .status,
              0);
    r = batch_run("--split chains " + quote(HB_B) + " " + quote(a_b_a));
    EXPECT_EQ(r.out, rows({{ref, a_b_a + "@/1/A"}, {ref, a_b_a + "@/1/B"}}, ""));
    std::remove(a_b_a.c_str());
    Scratch none("no_calpha.pdb",
                 "HETATM 2345 CA    CA A 401      12.345  23.456  34.567  1.00 20.00          CA  \n");
    r = batch_run("--split models " + quote(none.path) + " " + quote(MODEL1));
    EXPECT_EQ(r, batch_run(quote(none.path) + " " + quote(MODEL1 + "@/1")));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
    EXPECT_NE(r.err.find(none.path), std::string::npos);

    Scratch list("pairs.txt", HB4 + "@//A,B " + HB4 + "@/1/B,A\n" + NMR + " " + MODEL1 + "\n");
    r = batch_run("-seq --split models --pairs " + quote(list.path));
    EXPECT_EQ(r.out, rows({{HB4 + "@//A,B", HB4 + "@/1/B,A"},
                           {NMR + "@/1", MODEL1 + "@/1"},
                           {NMR + "@/2", MODEL1 + "@/1"},
                           {NMR + "@/3", MODEL1 + "@/1"},
                           {NMR + "@/4", MODEL1 + "@/1"},
                           {NMR + "@/5", MODEL1 + "@/1"},
                           {NMR + "@/6", MODEL1 + "@/1"},
                           {NMR + "@/7", MODEL1 + "@/1"},
                           {NMR + "@/8", MODEL1 + "@/1"},
                           {NMR + "@/9", MODEL1 + "@/1"},
                           {NMR + "@/10", MODEL1 + "@/1"}},
                          "-seq "));
}
