// mmCIF input: how a file is recognised, which _atom_site rows become atoms
// and with what fields, the read errors, and real mmCIF files against their
// PDB twins.
#include <sys/resource.h>
#include <zlib.h>

#include <string>
#include <tuple>
#include <vector>

#include "structure/cif_reader.h"
#include "test_util.h"

namespace {

// A data block holding extra (other categories) and one _atom_site loop.
std::string atom_site(const std::string &columns, const std::string &rows, const std::string &extra = "") {
    std::string text = "data_test\n" + extra + "loop_\n", column;
    for (std::istringstream in(columns); in >> column;) text += "_atom_site." + column + "\n";
    return text + rows;
}

const std::string MINIMAL = "id label_atom_id label_comp_id auth_seq_id Cartn_x Cartn_y Cartn_z ";

std::string serials_of(const std::string &text, const char *name = "test.cif") {
    Scratch f(name, text);
    std::string s;
    for (const pairfit::ca_atom &a : read_atoms(f.path).atoms) s += std::to_string(a.serial) + " ";
    return s;
}

}  // namespace

TEST(Cif, RecognisedByTheFirstContentLine) {
    const std::string ca = "ATOM      5  CA  GLY A   7      11.000  12.000  13.000  1.00 10.00           C\n";
    // After blank lines and a comment longer than one read, in upper case.
    const std::string lead = "\n  \t\n#" + std::string(300, 'x') + "\n   DATA_x\n";
    EXPECT_EQ(serials_of(lead + atom_site(MINIMAL, "1 CA ALA 1 1 2 3\n")), "1 ");
    // data_ after other text, and in the second read of a long comment: PDB.
    EXPECT_EQ(serials_of("HEADER    TEST\ndata_x\n" + ca), "5 ");
    EXPECT_EQ(serials_of("#" + std::string(253, ' ') + "data_x\n" + ca), "5 ");
    Scratch gz("gzipped.pdb", read_file(data_file("ubiquitin_1d3z_nmr.cif.gz")));
    EXPECT_EQ(read_atoms(gz.path).size(), 760u);
}

// Coordinates are decimal numbers: strtod's hexadecimal and infinity are
// not, and their rows are skipped as unreadable (with a warning).
TEST(Cif, CoordinatesAreDecimalNumbers) {
    EXPECT_EQ(serials_of(atom_site(MINIMAL,
                                   "1 CA ALA 1 0x10 2 3\n2 CA ALA 2 1 2 3\n3 CA ALA 3 1 -0X1p3 3\n"
                                   "4 CA ALA 4 1 2 infinity\n5 CA ALA 5 -1.5e+2 .5 3.\n")),
              "2 5 ");
}

TEST(Cif, AuthorValuesFirstAltLocationGluedModelsInFileOrder) {
    std::string rows =
        "ATOM 7 CA CA . ALA ALA 1 10 1.5 -2.25 3e1 1\n"
        "ATOM 8 CA ? A SER ? 2 ? 4 5 6 1\n"       // label values stand in for '?'
        "ATOM 9 CB CA B SER SER 2 -11 7 8 9 1\n"  // the author atom name wins
        "ATOM 10 CA CB . GLY GLY 3 12 0 0 0 1\n"
        "ATOM 11 'CA' \"CA\" C 'ABCDEFGHIJ' ABCDEFGHIJ 4 13 1 1 1 1\n"
        "ATOM 12 CA CA . ALA ALA 5 14 ? 1 1 1\n"  // coordinates that do not read
        "ATOM 13 CA CA . ALA ALA 5 14 1 x 1 1\n"
        "ATOM 107 CA CA . ALA ALA 1 10 -1 -2 -3 2\n";
    Scratch f("fields.cif",
              atom_site("group_PDB id label_atom_id auth_atom_id label_alt_id label_comp_id auth_comp_id "
                        "label_seq_id auth_seq_id Cartn_x Cartn_y Cartn_z pdbx_PDB_model_num",
                        rows));
    testing::internal::CaptureStderr();
    const pairfit::structure s = read_atoms(f.path);
    EXPECT_EQ(atoms_of(s),
              "7 CA ALA 10 1.5 -2.25 30\n8 CA ASER 2 4 5 6\n"
              "9 CA BSER -11 7 8 9\n11 CA CABCDEF 13 1 1 1\n"
              "107 CA ALA 10 -1 -2 -3\n");
    std::string models;
    for (const pairfit::ca_atom &a : s.atoms) models += std::to_string(a.model);
    EXPECT_EQ(models, "11112");
    const std::string warning =
        ": C-alpha atom without a readable serial number, residue number and coordinates, skipped\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning: " + f.path + ", _atom_site row 6" + warning +
                                                          "Warning: " + f.path + ", _atom_site row 7" +
                                                          warning);
}

TEST(Cif, HetatmRows) {
    // The group column decides where it has a value.
    EXPECT_EQ(serials_of(atom_site("group_PDB " + MINIMAL,
                                   "ATOM 1 CA MSE 1 0 0 0\nHETATM 2 CA ALA 2 0 0 0\n"
                                   "HETATM 3 CA CA 3 0 0 0\n? 4 CA GLY 4 0 0 0\n"
                                   "? 5 CA MSE 5 0 0 0\n")),
              "1 4 ");
    // Without it, hetero entities and residues outside the standard set are out;
    // entity types that declare no polymer say nothing.
    // Row 7 is a standard residue in an entity declared water.
    const std::string rows =
        "1 CA ALA 1 0 0 0 1\n2 CA MSE 2 0 0 0 1\n3 CA GLY 3 0 0 0 2\n"
        "4 CA CA 4 0 0 0 2\n5 CA UNK 5 0 0 0 1\n6 CA GLY 6 0 0 0 9\n7 CA ALA 7 0 0 0 3\n";
    const std::string columns = MINIMAL + "label_entity_id", entities = "loop_\n_entity.id\n_entity.type\n";
    const std::string declared = entities + "1 polymer\n2 non-polymer\n3 water\n";
    EXPECT_EQ(serials_of(atom_site(columns, rows, declared)), "1 5 6 ");
    // The same when _entity comes after _atom_site; as pairs it declares one
    // entity, here no polymer.
    EXPECT_EQ(serials_of(atom_site(columns, rows) + declared), "1 5 6 ");
    EXPECT_EQ(serials_of(atom_site(columns, rows) + "_entity.id 3\n_entity.type water\n"), "1 3 5 6 7 ");
    EXPECT_EQ(serials_of(atom_site(columns, rows, entities + "1 non-polymer\n2 non-polymer\n")),
              "1 3 5 6 7 ");
}

TEST(Cif, ReadErrorsAndCapacity) {
    const std::string ubq = read_file(data_file("ubiquitin_1ubq_xray.cif"));
    const std::string gz = read_file(data_file("ubiquitin_1d3z_nmr.cif.gz"));
    const std::pair<const char *, std::string> cases[] = {
        {"truncated.cif", ubq.substr(0, ubq.find("ATOM   2 ") + 30)},
        {"truncated.cif.gz", gz.substr(0, gz.size() / 2)},
        {"quote.cif", "data_x\nloop_\n_atom_site.id\n_atom_site.Cartn_x\n'1 2\n"},
        {"prose.cif", "data_x\nThis is not a CIF file.\n"},
        {"nocoords.cif",
         atom_site("id label_atom_id label_comp_id auth_seq_id Cartn_x Cartn_y", "1 CA ALA 1 0 0\n")},
        {"noatoms.cif", "data_x\n_cell.length_a 10\n"},
        {"noresnum.cif",
         atom_site("id label_atom_id label_comp_id Cartn_x Cartn_y Cartn_z", "1 CA ALA 0 0 0\n")},
        {"noname.cif", atom_site("id label_comp_id auth_seq_id Cartn_x Cartn_y Cartn_z", "1 ALA 1 0 0 0\n")},
        {"noresname.cif",
         atom_site("id label_atom_id auth_seq_id Cartn_x Cartn_y Cartn_z", "1 CA 1 0 0 0\n")},
        // The gzip trailer (length and checksum) cut off.
        {"notrailer.cif.gz", gz.substr(0, gz.size() - 8)},
        // A syntax error in the block with the atoms.
        {"badrow.cif", atom_site(MINIMAL, "1 CA ALA 1 1 2 3\n'2 CA ALA 2 1 2 3\n")},
    };
    for (const auto &c : cases) {
        Scratch f(c.first, c.second);
        EXPECT_EQ(read_failure_of(f.path), "1 Error reading file " + f.path);
    }
    std::string rows;
    for (size_t i = 1; i <= pairfit::max_exact_atoms; ++i)
        rows += std::to_string(i) + " CA ALA " + std::to_string(i) + " 1 2 3\n";
    Scratch full("full.cif", atom_site(MINIMAL, rows));
    EXPECT_EQ(read_atoms(full.path).size(), pairfit::max_exact_atoms);
    write_file(full.path, atom_site(MINIMAL, rows + "5001 CA ALA 5001 1 2 3\n"));
    EXPECT_EQ(read_failure_of(full.path),
              "2 Too many C-alpha atoms in file " + full.path + " (at most 5000)");
}

// The atoms come from the first data block with _atom_site; reading stops
// at its end, so what follows is not read (here a syntax error and more
// atoms).
TEST(Cif, FirstBlockWithAtomsOnly) {
    const std::string atoms = atom_site(MINIMAL, "7 CA ALA 1 1 2 3\n8 CA GLY 2 1 2 3\n");
    EXPECT_EQ(serials_of("data_a\n_cell.length_a 10\n" + atoms + atom_site(MINIMAL, "9 CA ALA 1 1 2 3\n") +
                         "data_bad\nloop_\n_x.y\n'unterminated\n"),
              "7 8 ");
    // One atom given as pairs.
    EXPECT_EQ(
        serials_of(
            "data_p\n_atom_site.id 4\n_atom_site.label_atom_id CA\n_atom_site.label_comp_id ALA\n"
            "_atom_site.auth_seq_id 1\n_atom_site.Cartn_x 1\n_atom_site.Cartn_y 2\n_atom_site.Cartn_z 3\n"),
        "4 ");
}

// One value may be as long as 1 MB (MAX_CIF_TOKEN_BYTES), plain or
// compressed, whatever the size of the file, and not much longer: a plain file's parse buffer
// is sized to the file, but never below what the file can hold.
TEST(Cif, LongValues) {
    const size_t limit = pairfit::MAX_CIF_TOKEN_BYTES;
    auto with_value = [](size_t length) {
        return atom_site(MINIMAL, "1 CA ALA 1 1 2 3\n",
                         "_struct.title\n;" + std::string(length, 'x') + "\n;\n");
    };
    auto write_gz = [](const std::string &path, const std::string &text) {
        gzFile out = gzopen(path.c_str(), "wb1");
        ASSERT_NE(out, nullptr);
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
    };
    for (size_t length : {size_t(3000), size_t(300000), limit - 200}) {
        Scratch plain("long_value.cif", with_value(length)), packed("long_value.cif.gz", "");
        write_gz(packed.path, with_value(length));
        EXPECT_EQ(read_atoms(plain.path).size(), 1u) << length;
        EXPECT_EQ(read_atoms(packed.path).size(), 1u) << length;
    }
    // The parser reads ahead a chunk of 4 KB beyond the limit.
    Scratch plain("too_long_value.cif", with_value(limit + 8192)), packed("too_long_value.cif.gz", "");
    write_gz(packed.path, with_value(limit + 8192));
    EXPECT_EQ(read_failure_of(plain.path), "1 Error reading file " + plain.path);
    EXPECT_EQ(read_failure_of(packed.path), "1 Error reading file " + packed.path);
}

// Reading keeps only what the atoms need: a small compressed file that
// expands to 80 MB of _atom_site rows without a C-alpha atom is read in
// bounded memory (the peak resident size of the reading process).
TEST(Cif, CompressedBombReadsInBoundedMemory) {
    const std::string path = temp_path("bomb.cif.gz");
    gzFile out = gzopen(path.c_str(), "wb1");
    ASSERT_NE(out, nullptr);
    const std::string head = atom_site("group_PDB " + MINIMAL, "");
    gzwrite(out, head.data(), head.size());
    std::string rows;
    for (int i = 0; i < 20000; ++i) rows += "HETATM 1 O HOH 1 1.000 2.000 3.000\n";
    for (int i = 0; i < 115; ++i) gzwrite(out, rows.data(), rows.size());
    gzwrite(out, "ATOM 2 CA ALA 1 1 2 3\n", 22);
    gzclose(out);
    Scratch list("bomb.txt", "");
    // ASan's quarantine of freed memory would count too: keep it small.
    RunResult r = run_shell("ASAN_OPTIONS=quarantine_size_mb=4 " + quote(PAIRFIT_BINARY) + " " + quote(path) +
                            " " + quote(path));
    std::remove(path.c_str());
    EXPECT_EQ(r.out, "SCORE:\t1\t0\t0.0\t0.0\t1.000000e+00\t-6.108000e+02\n");
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "kB";
}

// The mmCIF files read the same atoms as their PDB twins, field for field.
TEST(Cif, SameAtomsAsThePdbTwins) {
    const struct {
        const char *cif, *pdb;
        bool serials_kept;
    } twins[] = {
        // From the archive, with group_PDB; then converted without it.
        {"ubiquitin_1ubq_xray.cif", "ubiquitin_1ubq_xray.pdb", true},
        {"ubiquitin_1d3z_nmr.cif.gz", "ubiquitin_1d3z_nmr.pdb.gz", false},
        {"crambin_1ejg_altloc.cif.gz", "crambin_1ejg_altloc.pdb", true},
        {"capsid_1a8o_hetatm_mse.cif.gz", "capsid_1a8o_hetatm_mse.pdb", true},
        {"cytc_yeast_1cih_negnum.cif.gz", "cytc_yeast_1cih_negnum.pdb", true},
        {"cytc_horse_1m60_nmr.cif.gz", "cytc_horse_1m60_nmr.pdb", false},
        {"demo_ldh_6ldh_A.cif.gz", "demo_ldh_6ldh_A.pdb.gz", true},
        // The archive numbers _atom_site.id on through the models, the PDB files
        // from 1 in each; the converter renumbered it.
        {"fab_1a0q_inscodes.cif.gz", "fab_1a0q_inscodes.pdb.gz", false},
    };
    auto fields = [](const pairfit::ca_atom &a, bool serial) {
        return std::make_tuple(a.x, a.y, a.z, serial ? a.serial : 0, a.atom_name, a.residue_name,
                               a.residue_number, a.insertion_code, a.chain_id, a.model);
    };
    for (const auto &t : twins) {
        SCOPED_TRACE(t.cif);
        const pairfit::structure cif = read_atoms(data_file(t.cif)), pdb = read_atoms(data_file(t.pdb));
        ASSERT_EQ(cif.atoms.size(), pdb.atoms.size());
        ASSERT_GT(cif.atoms.size(), 0u);
        for (size_t i = 0; i < cif.atoms.size(); ++i)
            EXPECT_EQ(fields(cif.atoms[i], t.serials_kept), fields(pdb.atoms[i], t.serials_kept)) << i;
    }
}
