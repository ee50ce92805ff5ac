// Models and chains chosen by selection, and FILE@SELECTION names, on real
// entries: the library's select, pairfit against files that hold the
// same atoms alone, and the errors.
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
        // Numbers beyond the int range name no model, whatever they wrap to.
        {NMR, "/4294967298",
         no_match("/4294967298", NMR, "no model 4294967298 (the file has 10 models, numbered 1 to 10)")},
        {NMR_CIF, "/99999999999/A",
         no_match("/99999999999/A", NMR_CIF,
                  "no model 99999999999 (the file has 10 models, numbered 1 to 10)")},
        {HB4, "/4294967296", no_match("/4294967296", HB4, "no model 4294967296 (the file has model 1 only)")},
        {empty.path, "/1", no_match("/1", empty.path, "the file has no C-alpha atom")},
        {HB4, "/1/A/10-20", bad("/1/A/10-20", HB4, beyond)},
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
