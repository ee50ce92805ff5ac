// mmCIF input: how a file is recognised, which _atom_site rows become atoms
// and with what fields, the errors, and real mmCIF files against their PDB
// twins (same standard output, same coordinate file).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "structure/reader.h"
#include "test_util.h"

namespace {

std::unique_ptr<molecule> read_path(const std::string &path) {
    auto mol = std::make_unique<molecule>();
    std::snprintf(mol->filename, PATH_SIZE, "%s", path.c_str());
    EXPECT_EQ(read_ca_file(mol.get()), READ_OK) << path;
    return mol;
}

std::unique_ptr<molecule> read_text(const std::string &name, const std::string &text) {
    std::string path = temp_path(name);
    write_file(path, text);
    return read_path(path);
}

std::vector<int> numbers(const molecule &mol) {
    std::vector<int> out;
    for (int i = 0; i < mol.natoms; ++i) out.push_back(mol.atoms[i].number);
    return out;
}

// A data block holding extra (other categories) and one _atom_site loop.
std::string atom_site(const std::vector<std::string> &columns, const std::string &rows,
                      const std::string &extra = "") {
    std::string text = "data_test\n" + extra + "loop_\n";
    for (const std::string &c : columns) text += "_atom_site." + c + "\n";
    return text + rows;
}

const std::vector<std::string> MINIMAL = {"id", "label_atom_id", "label_comp_id", "auth_seq_id",
                                          "Cartn_x", "Cartn_y", "Cartn_z"};
const std::string ONE_CA = atom_site(MINIMAL, "1 CA ALA 1 1.0 2.0 3.0\n");

std::string entities(const std::string &rows) { return "loop_\n_entity.id\n_entity.type\n" + rows; }

}  // namespace

// ---- Recognition by content ------------------------------------------------

TEST(CifFormat, DataBlockAfterBlankAndCommentLinesMeansMmcif) {
    // A comment line longer than one read, blank lines, leading blanks; the
    // keyword in upper case.
    std::string lead = "\n  \t\n#" + std::string(300, 'x') + "\n   DATA_test\n";
    auto mol = read_text("lead.cif", lead + ONE_CA.substr(ONE_CA.find('\n') + 1));
    EXPECT_EQ(mol->natoms, 1);
}

TEST(CifFormat, OnlyTheFirstContentLineDecides) {
    std::string ca = "ATOM      5  CA  GLY A   7      11.000  12.000  13.000  1.00 10.00           C\n";
    // data_ after other text, and data_ in the second read of a long comment.
    auto later = read_text("later.pdb", "HEADER    TEST\ndata_x\n" + ca);
    EXPECT_EQ(numbers(*later), std::vector<int>{5});
    auto comment = read_text("comment.pdb", "#" + std::string(253, ' ') + "data_x\n" + ca);
    EXPECT_EQ(numbers(*comment), std::vector<int>{5});
}

TEST(CifFormat, GzipMmcifUnderAnyName) {
    std::string path = temp_path("gzipped.pdb");
    gzFile f = gzopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    gzwrite(f, ONE_CA.data(), static_cast<unsigned>(ONE_CA.size()));
    gzclose(f);
    EXPECT_EQ(read_path(path)->natoms, 1);
}

// ---- Fields ----------------------------------------------------------------

TEST(CifFields, AuthorValuesFirstAltLocationGluedModelsInFileOrder) {
    std::vector<std::string> columns = {"group_PDB", "id", "label_atom_id", "auth_atom_id",
                                        "label_alt_id", "label_comp_id", "auth_comp_id",
                                        "label_seq_id", "auth_seq_id", "Cartn_x", "Cartn_y",
                                        "Cartn_z", "pdbx_PDB_model_num"};
    std::string rows =
        "ATOM 7 CA CA . ALA ALA 1 10 1.5 -2.25 3e1 1\n"
        "ATOM 8 CA ? A SER ? 2 ? 4 5 6 1\n"               // label values stand in for '?'
        "ATOM 9 CB CA B SER SER 2 -11 7 8 9 1\n"          // author atom name wins
        "ATOM 10 CA CB . GLY GLY 3 12 0 0 0 1\n"          // not a C-alpha by author name
        "ATOM 11 'CA' \"CA\" C 'ABCDEFGHIJ' ABCDEFGHIJ 4 13 1 1 1 1\n"
        "ATOM 12 CA CA . ALA ALA 5 14 ? 1 1 1\n"          // coordinates unreadable: skipped
        "ATOM 13 CA CA . ALA ALA 5 14 1 x 1 1\n"
        "ATOM 107 CA CA . ALA ALA 1 10 -1 -2 -3 2\n";
    auto mol = read_text("fields.cif", atom_site(columns, rows));
    ASSERT_EQ(numbers(*mol), (std::vector<int>{7, 8, 9, 11, 107}));
    const atom *a = mol->atoms;
    const char *resnames[] = {"ALA", "ASER", "BSER", "CABCDEF", "ALA"};
    const int resnums[] = {10, 2, -11, 13, 10};
    for (int i = 0; i < mol->natoms; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(a[i].resname, resnames[i]);
        EXPECT_EQ(a[i].resnum, resnums[i]);
        EXPECT_STREQ(a[i].name, "CA");
        EXPECT_EQ(a[i].selected, 1);
        EXPECT_EQ(a[i].sqdev, 0.0);
    }
    EXPECT_EQ(a[0].x, 1.5);
    EXPECT_EQ(a[0].y, -2.25);
    EXPECT_EQ(a[0].z, 30.0);
    EXPECT_EQ(a[4].z, -3.0);
}

// ---- ATOM and HETATM rows --------------------------------------------------

TEST(CifHetatm, GroupColumnDecidesWhereItHasAValue) {
    std::vector<std::string> columns = MINIMAL;
    columns.insert(columns.begin(), "group_PDB");
    auto mol = read_text("group.cif", atom_site(columns,
                                                "ATOM 1 CA MSE 1 0 0 0\n"
                                                "HETATM 2 CA ALA 2 0 0 0\n"
                                                "HETATM 3 CA CA 3 0 0 0\n"
                                                "? 4 CA GLY 4 0 0 0\n"
                                                "? 5 CA MSE 5 0 0 0\n"));
    EXPECT_EQ(numbers(*mol), (std::vector<int>{1, 4}));
}

TEST(CifHetatm, WithoutGroupColumnEntityAndStandardResidueDecide) {
    std::vector<std::string> columns = MINIMAL;
    columns.push_back("label_entity_id");
    std::string rows = "1 CA ALA 1 0 0 0 1\n"
                       "2 CA MSE 2 0 0 0 1\n"   // modified residue of the polymer
                       "3 CA GLY 3 0 0 0 2\n"   // standard residue, non-polymer entity
                       "4 CA CA 4 0 0 0 2\n"    // calcium ion
                       "5 CA UNK 5 0 0 0 1\n"
                       "6 CA GLY 6 0 0 0 9\n";  // undeclared entity
    auto declared = read_text("entities.cif",
                              atom_site(columns, rows, entities("1 polymer\n2 non-polymer\n3 water\n")));
    EXPECT_EQ(numbers(*declared), (std::vector<int>{1, 5, 6}));
    // Entity types that declare no polymer say nothing: the residue decides.
    auto no_polymer = read_text("nopolymer.cif",
                                atom_site(columns, rows, entities("1 non-polymer\n2 non-polymer\n")));
    EXPECT_EQ(numbers(*no_polymer), (std::vector<int>{1, 3, 5, 6}));
}

TEST(CifHetatm, ConvertedFilesReadTheAtomsOfTheirPdbTwins) {
    // Converted without group_PDB: the selenomethionines, HETATM in the PDB
    // file, stay out; a file converted without TER records declares no polymer.
    EXPECT_EQ(read_path(data_file("capsid_1a8o_hetatm_mse.cif.gz"))->natoms, 66);
    EXPECT_EQ(read_path(data_file("capsid_1a8o_hetatm_mse.pdb"))->natoms, 66);
    EXPECT_EQ(read_path(data_file("demo_ldh_6ldh_A.cif.gz"))->natoms, 329);
}

// ---- Errors ----------------------------------------------------------------

TEST(CifErrors, BrokenFilesGiveTheReadError) {
    std::string ubq = read_file(data_file("ubiquitin_1ubq_xray.cif"));
    std::string gz = read_file(data_file("ubiquitin_1d3z_nmr.cif.gz"));
    std::vector<std::string> coords = {"id", "label_atom_id", "label_comp_id", "auth_seq_id",
                                       "Cartn_x", "Cartn_y"};
    struct Case { const char *name; std::string text; } cases[] = {
        {"truncated.cif", ubq.substr(0, ubq.find("ATOM   2 ") + 30)},
        {"truncated.cif.gz", gz.substr(0, gz.size() / 2)},
        {"quote.cif", "data_x\nloop_\n_atom_site.id\n_atom_site.Cartn_x\n'1 2\n"},
        {"prose.cif", "data_x\nThis is not a CIF file.\n"},
        {"nocoords.cif", atom_site(coords, "1 CA ALA 1 0 0\n")},
        {"noatoms.cif", "data_x\n_cell.length_a 10\n"},
    };
    std::string pdb = data_file("ubiquitin_1ubq_xray.pdb");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = temp_path(c.name);
        write_file(path, c.text);
        for (const std::string &args : {path + " " + pdb, pdb + " " + path}) {
            RunResult r = run_pairfit(args);
            EXPECT_EQ(r.out, "Error reading file " + path + "\n");
            EXPECT_EQ(r.status, 1);
        }
    }
}

TEST(CifErrors, CapacityIsThatOfPdbFiles) {
    std::string rows;
    for (int i = 1; i <= MAX_ATOMS; ++i) rows += std::to_string(i) + " CA ALA " + std::to_string(i) + " 1 2 3\n";
    auto full = read_text("full.cif", atom_site(MINIMAL, rows));
    EXPECT_EQ(full->natoms, MAX_ATOMS);

    std::string path = temp_path("over.cif");
    write_file(path, atom_site(MINIMAL, rows + "5001 CA ALA 5001 1 2 3\n"));
    RunResult r = run_pairfit(path + " " + path);
    EXPECT_EQ(r.out, "Too many C-alpha atoms in file " + path + " (at most 5000)\n");
    EXPECT_EQ(r.status, 1);
}

// ---- Real files against their PDB twins -----------------------------------

namespace {

struct Twin {
    const char *cif, *pdb, *partner;  // partner: a PDB file to compare with
    bool serials_kept;                // false: the converter renumbered _atom_site.id
};

void PrintTo(const Twin &t, std::ostream *os) { *os << t.cif; }

std::string path_of(const char *name) {
    std::string n = name;
    return n.rfind("demo_ldh_1ldm", 0) == 0 ? example_file(n) : data_file(n);
}

// Standard output, exit status and coordinate file of a run; "{coords}" in
// options stands for the coordinate file.
std::string run_with(const std::string &options, const std::string &file1, const std::string &file2) {
    std::string coords = temp_path("twin_coords.pdb"), opts = options;
    std::remove(coords.c_str());
    size_t at = opts.find("{coords}");
    if (at != std::string::npos) opts.replace(at, 8, coords);
    RunResult r = run_pairfit(opts + " " + file1 + " " + file2);
    return r.out + "-- status " + std::to_string(r.status) + "\n" + read_file(coords);
}

const char REPORTS[] = "-a -o -b -pdb {coords}";

}  // namespace

class CifTwins : public ::testing::TestWithParam<Twin> {};

TEST_P(CifTwins, SameOutputInEitherPosition) {
    const Twin &t = GetParam();
    std::string cif = path_of(t.cif), pdb = path_of(t.pdb), partner = path_of(t.partner);
    std::vector<std::string> options = {"", "-a -b"};
    if (t.serials_kept) options.push_back(REPORTS);  // serial numbers show in -o and -pdb
    for (const std::string &o : options) {
        SCOPED_TRACE("options '" + o + "'");
        std::string expected1 = run_with(o, pdb, partner), expected2 = run_with(o, partner, pdb);
        EXPECT_NE(expected1.find("-- status 0\n"), std::string::npos) << expected1;
        EXPECT_EQ(run_with(o, cif, partner), expected1);
        EXPECT_EQ(run_with(o, partner, cif), expected2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CifTwins,
    ::testing::Values(
        // From the archive, with group_PDB.
        Twin{"ubiquitin_1ubq_xray.cif", "ubiquitin_1ubq_xray.pdb", "ubiquitin_1d3z_model1.pdb", true},
        Twin{"ubiquitin_1d3z_nmr.cif.gz", "ubiquitin_1d3z_nmr.pdb.gz", "ubiquitin_1ubq_xray.pdb", true},
        // Converted from the PDB files, without group_PDB.
        Twin{"crambin_1ejg_altloc.cif.gz", "crambin_1ejg_altloc.pdb", "crambin_1ejg_altloc.pdb", true},
        Twin{"capsid_1a8o_hetatm_mse.cif.gz", "capsid_1a8o_hetatm_mse.pdb", "capsid_1a8o_hetatm_mse.pdb", true},
        Twin{"cytc_yeast_1cih_negnum.cif.gz", "cytc_yeast_1cih_negnum.pdb", "cytc_horse_1m60_nmr.pdb", true},
        Twin{"cytc_horse_1m60_nmr.cif.gz", "cytc_horse_1m60_nmr.pdb", "cytc_yeast_1cih_negnum.pdb", true},
        Twin{"demo_ldh_6ldh_A.cif.gz", "demo_ldh_6ldh_A.pdb.gz", "demo_ldh_1ldm_A.pdb", true},
        Twin{"fab_1a0q_inscodes.cif.gz", "fab_1a0q_inscodes.pdb.gz", "fab_1a0q_inscodes.pdb.gz", false}),
    [](const ::testing::TestParamInfo<Twin> &info) {
        std::string name = info.param.cif;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(CifPairs, BothFilesMmcif) {
    const char *pairs[][4] = {
        {"ubiquitin_1ubq_xray.cif", "ubiquitin_1d3z_nmr.cif.gz", "ubiquitin_1ubq_xray.pdb",
         "ubiquitin_1d3z_nmr.pdb.gz"},
        {"cytc_horse_1m60_nmr.cif.gz", "cytc_yeast_1cih_negnum.cif.gz", "cytc_horse_1m60_nmr.pdb",
         "cytc_yeast_1cih_negnum.pdb"},
    };
    for (const auto &p : pairs) {
        for (const char *o : {"", REPORTS}) {
            std::string expected = run_with(o, data_file(p[2]), data_file(p[3]));
            EXPECT_NE(expected.find("-- status 0\n"), std::string::npos) << expected;
            EXPECT_EQ(run_with(o, data_file(p[0]), data_file(p[1])), expected);
        }
    }
}
