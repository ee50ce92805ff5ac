// Reading C-alpha atoms from PDB text, and pairing two molecules by residue
// number.
#include <string>
#include <utility>
#include <vector>

#include "structure/pdb_reader.h"
#include "test_util.h"

namespace {

// What parse_ca_line makes of a line: "-" not a C-alpha line, "?" one that
// does not read, else the fields read.
std::string parsed(const char *line) {
    pairfit::ca_atom a;
    pairfit::line_kind kind = pairfit::parse_ca_line(line, &a);
    if (kind != pairfit::line_kind::ca) return kind == pairfit::line_kind::other ? "-" : "?";
    char s[120];
    std::snprintf(s, sizeof s, "%d %s %s %d %g %g %g [%s%c]", a.serial, a.atom_name.c_str(),
                  a.residue_name.c_str(), a.residue_number, a.x, a.y, a.z, a.chain_id.c_str(),
                  a.insertion_code);
    return s;
}

std::string ca_line(int serial, int resnum, double x, const std::string &end = "\n") {
    char s[100];
    std::snprintf(s, sizeof s, "ATOM  %5d  CA  GLY A%4d    %8.3f   2.000   3.000  1.00 10.00           C  ",
                  serial, resnum, x);
    return s + end;
}

// A structure with these residue numbers, each in the serial number too.
pairfit::structure numbered(const std::vector<int> &resnums) {
    pairfit::structure s;
    for (int r : resnums) {
        pairfit::ca_atom a;
        a.serial = a.residue_number = r;
        s.atoms.push_back(a);
    }
    return s;
}

// The residue numbers of the paired atoms on one side.
std::vector<int> paired(const pairfit::structure &s, const std::vector<int> &index) {
    std::vector<int> numbers;
    for (int i : index) numbers.push_back(s.atoms[i].residue_number);
    return numbers;
}

}  // namespace

TEST(PdbReader, Lines) {
    const std::pair<const char *, const char *> cases[] = {
        {"ATOM      2  CA  THR    -5       5.082  11.692  -7.400  1.00 58.13      1CIH 206\r\n",
         "2 CA THR -5 5.082 11.692 -7.4 [ ]"},
        {"ATOM    401  CA APRO A  22       6.042  13.429  -2.601\n",
         "401 CA APRO 22 6.042 13.429 -2.601 [A ]"},
        // An insertion code glued to the residue number: fixed columns.
        {"ATOM   2048  CA  PRO H  52A     17.911  35.670  63.534\n",
         "2048 CA PRO 52 17.911 35.67 63.534 [HA]"},
        // Coordinates that fill their columns.
        {"ATOM   5325  CA  LYS B2090     -21.769 -50.189-100.667\n",
         "5325 CA LYS 2090 -21.769 -50.189 -100.667 [B ]"},
        // An insertion code and a z that fills its 8 columns: both need the fixed columns.
        {"ATOM   2048  CA  PRO H  52A     17.911  35.670-100.534\n",
         "2048 CA PRO 52 17.911 35.67 -100.534 [HA]"},
        {"ATOM 7 CA LONGRESNAME 12 1.5 -2.5 3.25\n", "7 CA LONGRES 12 1.5 -2.5 3.25 [.]"},
        {"ATOM   2048  CA  PRO H  52A     17.9x1  35.670  63.534\n", "?"},
        {"ATOM      2  CA  THR    -5       5.082  11.692\n", "?"},
        {"ATOM      2  CA  THR    -5\n", "?"},
        {"ATOM      2  CA  THR\n", "?"},
        {"HETATM   20  CA  MSE A 151      20.255  33.101  26.891\n", "-"},
        {"ATOM      1  N   THR    -5       5.519  10.299  -7.921\n", "-"},
        {"ATOM      2  ca  THR    -5       5.082  11.692  -7.400\n", "-"},
        {"ATOM      2  CAXXXXXXX THR -5    5.082  11.692  -7.400\n", "-"},
        {"ATOMS     2  CA  THR    -5       5.082  11.692  -7.400\n", "-"},
        {"ATOM100000  CA  THR A  -5       5.082  11.692  -7.400\n", "-"},
        {"", "-"},
        {"   \r\n", "-"},
        {"ATOM\n", "-"},
    };
    for (const auto &c : cases) EXPECT_EQ(parsed(c.first), c.second) << c.first;
}

TEST(PdbReader, LongLinesLineEndsAndUnreadableLines) {
    // Lines 1 and 3 hold a whole C-alpha line after 254 characters: only the
    // first 254 characters of a line are read, so neither gives an atom, and
    // each gets a warning. Line 2 has 300 blanks before its end (ignored
    // without a warning), line 4 is blank and line 5 does not read; CR LF ends
    // lines 5 and 6, and the last line has no end. Line 8 has exactly 254
    // characters.
    const std::string at254 = ca_line(10, 13, 6, "");
    Scratch f("odd.pdb", "REMARK" + std::string(248, 'x') + ca_line(5, 9, 1) +
                             ca_line(6, 10, 2, std::string(300, ' ') + "\n") + "REMARK" +
                             std::string(248, ' ') + ca_line(7, 11, 3) + "\nATOM      2  CA  ALA A   2\r\n" +
                             ca_line(8, 12, 4, "\r\n") + at254 + std::string(254 - at254.size(), ' ') + "\n" +
                             ca_line(9, 3, 5, ""));
    testing::internal::CaptureStderr();
    const pairfit::structure mol = read_atoms(f.path);
    const std::string warning = "Warning: " + f.path + ", line ";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              warning + "1: line longer than 254 characters, the rest of it ignored\n" + warning +
                  "3: line longer than 254 characters, the rest of it ignored\n" + warning +
                  "5: C-alpha line without a readable residue number and coordinates, skipped\n");
    EXPECT_EQ(atoms_of(mol), "6 CA GLY 10 2 2 3\n8 CA GLY 12 4 2 3\n10 CA GLY 13 6 2 3\n9 CA GLY 3 5 2 3\n");
}

// A NUL byte ends the text of its line; line numbers count line ends only,
// so a later warning names the right line, and a NUL in place of a line end
// takes the next line's text with it.
TEST(PdbReader, NulBytesEndTheLineText) {
    const std::string nul(1, '\0');
    Scratch f("nul.pdb", ca_line(1, 1, 1) + "REMARK" + nul +
                             "ATOM      9  CA  GLY A   9       1.000   2.000   3.000\n" +
                             ca_line(2, 2, 2).substr(0, 20) + nul + ca_line(3, 3, 3).substr(20) + nul +
                             "\nATOM      2  CA  ALA A   2\n" + ca_line(4, 4, 4, nul) + ca_line(5, 5, 5));
    testing::internal::CaptureStderr();
    const pairfit::structure mol = read_atoms(f.path);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: " + f.path +
                  ", line 3: C-alpha line without a "
                  "readable residue number and coordinates, skipped\n"
                  "Warning: " +
                  f.path +
                  ", line 5: C-alpha line without a "
                  "readable residue number and coordinates, skipped\n");
    EXPECT_EQ(atoms_of(mol), "1 CA GLY 1 1 2 3\n4 CA GLY 4 4 2 3\n");
}

// A MODEL line without a number counts on from the last model; after model
// INT_MAX it stays there instead of overflowing.
TEST(PdbReader, ModelNumbers) {
    Scratch f("models.pdb", "MODEL        7\n" + ca_line(1, 1, 1) + "ENDMDL\nMODEL\n" + ca_line(2, 2, 2) +
                                "ENDMDL\nMODEL 2147483647\n" + ca_line(3, 3, 3) + "ENDMDL\nMODEL\n" +
                                ca_line(4, 4, 4));
    const pairfit::structure mol = read_atoms(f.path);
    std::vector<int> models;
    for (const auto &a : mol.atoms) models.push_back(a.model);
    EXPECT_EQ(models, (std::vector<int>{7, 8, 2147483647, 2147483647}));
}

TEST(PdbReader, CapacityAndGluedCoordinates) {
    std::string lines;
    for (int k = 0; k < 5000; ++k) lines += ca_line(k + 1, k % 9999, 1);
    Scratch f("cap.pdb", lines + "HETATM 5001  CA  MSE A   1       1.000   2.000   3.000\n");
    EXPECT_EQ(read_atoms(f.path).size(), 5000u);
    write_file(f.path, lines + ca_line(5001, 1, 1));
    EXPECT_EQ(read_failure_of(f.path), "2 Too many C-alpha atoms in file " + f.path + " (at most 5000)");
    // A caller may allow more.
    pairfit::read_options more;
    more.max_atoms = 5001;
    EXPECT_EQ(pairfit::read_structure(f.path, more).size(), 5001u);
    // Coordinates glued together.
    const pairfit::structure glued = read_atoms(data_file("mtor_4jsv_B_gluedcoords.pdb.gz"));
    EXPECT_EQ(glued.size(), 1058u);
    const std::string listed = atoms_of(glued);
    EXPECT_NE(listed.find("\n5325 CA LYS 2090 -21.769 -50.189 -100.667\n"), std::string::npos);
}

// The residue numbers of both structures, and of the pairs they make.
TEST(ResidueMatching, WorkedExamples) {
    const std::vector<int> cases[][4] = {
        {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
        {{1, 2, 3, 4, 5}, {1, 2, 4, 5}, {1, 2, 4, 5}, {1, 2, 4, 5}},
        {{1, 2, 4, 5}, {1, 2, 3, 4, 5}, {1, 2, 4, 5}, {1, 2, 4, 5}},
        {{1, 2, 4, 5, 6}, {1, 2, 3, 4, 6}, {1, 2, 4, 6}, {1, 2, 4, 6}},
        {{3, 4, 5}, {1, 2, 3, 4, 5}, {3, 4, 5}, {3, 4, 5}},
        {{1, 2, 3, 4, 5}, {3, 4, 5}, {3, 4, 5}, {3, 4, 5}},
        {{1, 2, 3}, {1, 2, 3, 4, 5}, {1, 2, 3}, {1, 2, 3}},
        {{1, 2, 3, 4, 5}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
        {{1, 3, 5}, {2, 4, 5}, {3, 5}, {4, 5}},
        {{1, 3, 5}, {2, 4, 6}, {3}, {4}},
        {{1, 2, 5}, {1, 3, 5}, {1, 5}, {1, 5}},
        {{1, 3, 5}, {1, 2, 5}, {1, 3}, {1, 5}},
        {{1, 2, 3}, {5, 6, 7}, {}, {}},
        {{5, 6, 7}, {1, 2, 3}, {}, {}},
        {{}, {1, 2, 3}, {}, {}},
        {{1, 2, 3}, {}, {}, {}},
        {{1, 2, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
        {{1, 2, 2, 3}, {1, 2, 2, 3}, {1, 2, 2, 3}, {1, 2, 2, 3}},
        {{10, 11, 12, 1, 2, 3}, {1, 2, 3, 10, 11, 12}, {10, 11, 12}, {10, 11, 12}},
        {{2, 1}, {1, 2}, {2}, {2}},
        {{-5, -4, -3, -1, 1}, {-4, -3, -2, -1}, {-4, -3, -1}, {-4, -3, -1}},
    };
    for (const auto &c : cases) {
        const pairfit::structure one = numbered(c[0]), two = numbered(c[1]);
        const pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
        EXPECT_EQ(paired(one, pairs.first), c[2]);
        EXPECT_EQ(paired(two, pairs.second), c[3]);
    }
}
