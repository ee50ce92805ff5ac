// Reading C-alpha atoms: single lines, real PDB files (plain and gzip) and
// hand-made files for the odd cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "structure/reader.h"
#include "test_util.h"

namespace {

std::unique_ptr<molecule> read_mol(const std::string &path, int expected_status = READ_OK) {
  auto mol = std::make_unique<molecule>();
  std::snprintf(mol->filename, PATH_SIZE, "%s", path.c_str());
  EXPECT_EQ(read_ca_file(mol.get()), expected_status) << path;
  return mol;
}

void expect_same_atoms(const atom *a, const atom *b, int count) {
  for (int k = 0; k < count; ++k)
    EXPECT_TRUE(a[k].x == b[k].x && a[k].y == b[k].y && a[k].z == b[k].z && a[k].resnum == b[k].resnum &&
                a[k].number == b[k].number && a[k].selected == b[k].selected && a[k].sqdev == b[k].sqdev &&
                !std::strcmp(a[k].resname, b[k].resname) && !std::strcmp(a[k].name, b[k].name))
        << "atom " << k;
}

void expect_atom(const atom &a, int number, int resnum, const char *resname, double x, double y, double z) {
  EXPECT_EQ(a.number, number);
  EXPECT_EQ(a.resnum, resnum);
  EXPECT_STREQ(a.resname, resname);
  EXPECT_STREQ(a.name, "CA");
  EXPECT_DOUBLE_EQ(a.x, x);
  EXPECT_DOUBLE_EQ(a.y, y);
  EXPECT_DOUBLE_EQ(a.z, z);
}

std::string ca_line(int serial, const char *resname, int resnum, double x, double y, double z) {
  char buf[100];
  std::snprintf(buf, sizeof buf, "ATOM  %5d  CA  %-3s A%4d    %8.3f%8.3f%8.3f  1.00 10.00           C  \n",
                serial, resname, resnum, x, y, z);
  return buf;
}

}  // namespace

TEST(CaLine, ClassifiesAndReadsFields) {
  const struct {
    const char *line;
    int number, resnum;
    const char *resname;
    double x, y, z;
  } ca_lines[] = {
      {"ATOM      2  CA  THR    -5       5.082  11.692  -7.400  1.00 58.13      1CIH 206\n", 2, -5, "THR", 5.082,
       11.692, -7.4},
      {"ATOM      2  CA  THR    -5       5.082  11.692  -7.400  1.00 58.13      1CIH 206\r\n", 2, -5, "THR", 5.082,
       11.692, -7.4},
      {"ATOM    401  CA APRO A  22       6.042  13.429  -2.601\n", 401, 22, "APRO", 6.042, 13.429, -2.601},
      // An insertion code glued to the residue number: fixed columns.
      {"ATOM   2048  CA  PRO H  52A     17.911  35.670  63.534\n", 2048, 52, "PRO", 17.911, 35.67, 63.534},
      // Coordinates that fill their columns: no blank between y and z.
      {"ATOM   5325  CA  LYS B2090     -21.769 -50.189-100.667\n", 5325, 2090, "LYS", -21.769, -50.189, -100.667},
      {"ATOM 7 CA LONGRESNAME 12 1.5 -2.5 3.25\n", 7, 12, "LONGRES", 1.5, -2.5, 3.25},
  };
  for (const auto &c : ca_lines) {
    SCOPED_TRACE(c.line);
    atom a{};
    ASSERT_EQ(parse_ca_line(c.line, &a), LINE_CA);
    expect_atom(a, c.number, c.resnum, c.resname, c.x, c.y, c.z);
  }
  const std::pair<const char *, int> other_lines[] = {
      {"ATOM   2048  CA  PRO H  52A     17.9x1  35.670  63.534\n", LINE_CA_UNREADABLE},
      {"ATOM      2  CA  THR    -5       5.082  11.692\n", LINE_CA_UNREADABLE},
      {"ATOM      2  CA  THR    -5\n", LINE_CA_UNREADABLE},
      {"ATOM      2  CA  THR\n", LINE_CA_UNREADABLE},
      {"HETATM   20  CA  MSE A 151      20.255  33.101  26.891\n", LINE_OTHER},
      {"HETATM 2345 CA    CA A 401      12.345  23.456  34.567  1.00 20.00          CA  \n", LINE_OTHER},
      {"ATOM      1  N   THR    -5       5.519  10.299  -7.921\n", LINE_OTHER},
      {"ATOM      2  ca  THR    -5       5.082  11.692  -7.400\n", LINE_OTHER},
      {"ATOM      2  CAXXXXXXX THR -5    5.082  11.692  -7.400\n", LINE_OTHER},
      {"ATOMS     2  CA  THR    -5       5.082  11.692  -7.400\n", LINE_OTHER},
      {"ATOM100000  CA  THR A  -5       5.082  11.692  -7.400\n", LINE_OTHER},
      {"REMARK   2 RESOLUTION. 1.80 ANGSTROMS WITH LONGWORDS IN FIELDS\n", LINE_OTHER},
      {"", LINE_OTHER}, {"\n", LINE_OTHER}, {"   \r\n", LINE_OTHER}, {"ATOM\n", LINE_OTHER},
  };
  for (const auto &c : other_lines) {
    atom a{};
    EXPECT_EQ(parse_ca_line(c.first, &a), c.second) << c.first;
  }
}

TEST(CaReader, CountsCalphaAtomsOfRealFiles) {
  const std::pair<const char *, int> files[] = {
      {"capsid_1a8o_hetatm_mse.pdb", 66},     {"crambin_1ejg_altloc.pdb", 53},
      {"fab_1a0q_inscodes.pdb.gz", 416},      {"ubiquitin_1d3z_nmr.pdb.gz", 760},
      {"mtor_4jsv_B_gluedcoords.pdb.gz", 1058}, {"hemoglobin_2hhb_4chains.pdb.gz", 574},
  };
  for (const auto &f : files) {
    auto mol = read_mol(data_file(f.first));
    EXPECT_EQ(mol->natoms, f.second) << f.first;
    for (int k = 0; k < mol->natoms; ++k) {
      const atom &a = mol->atoms[k];
      ASSERT_TRUE(!std::strcmp(a.name, "CA") && a.selected == 1 && a.sqdev == 0.0) << f.first << " " << k;
      ASSERT_STRNE(a.resname, "MSE") << f.first;
    }
  }
}

TEST(CaReader, GzipAndPlainGiveTheSameMolecule) {
  auto plain = read_mol(example_file("demo_ldh_6ldh_A.pdb"));
  auto packed = read_mol(data_file("demo_ldh_6ldh_A.pdb.gz"));
  ASSERT_EQ(plain->natoms, 329);
  ASSERT_EQ(packed->natoms, 329);
  expect_same_atoms(plain->atoms, packed->atoms, 329);
}

TEST(CaReader, EveryModelOfAMultiModelFileIsRead) {
  auto all = read_mol(data_file("ubiquitin_1d3z_nmr.pdb.gz"));
  auto first = read_mol(data_file("ubiquitin_1d3z_model1.pdb"));
  auto second = read_mol(data_file("ubiquitin_1d3z_model2.pdb"));
  ASSERT_EQ(all->natoms, 760);
  ASSERT_EQ(first->natoms, 76);
  expect_same_atoms(all->atoms, first->atoms, 76);
  expect_same_atoms(all->atoms + 76, second->atoms, 76);
}

TEST(CaReader, AlternateLocationsInsertionCodesAndGluedCoordinates) {
  auto crambin = read_mol(data_file("crambin_1ejg_altloc.pdb"));
  expect_atom(crambin->atoms[25], 387, 21, "THR", 3.664, 10.576, -3.461);
  expect_atom(crambin->atoms[26], 401, 22, "APRO", 6.042, 13.429, -2.601);
  expect_atom(crambin->atoms[27], 414, 22, "BSER", 6.034, 13.399, -2.687);
  expect_atom(crambin->atoms[28], 415, 22, "CSER", 6.112, 13.653, -2.656);
  expect_atom(crambin->atoms[29], 427, 23, "GLU", 8.108, 13.002, 0.513);

  auto fab = read_mol(data_file("fab_1a0q_inscodes.pdb.gz"));
  expect_atom(fab->atoms[261], 2042, 52, "SER", 19.139, 32.054, 63.729);
  expect_atom(fab->atoms[262], 2048, 52, "PRO", 17.911, 35.670, 63.534);  // H 52A
  expect_atom(fab->atoms[263], 2055, 53, "GLY", 17.764, 36.845, 67.136);

  auto mtor = read_mol(data_file("mtor_4jsv_B_gluedcoords.pdb.gz"));
  expect_atom(mtor->atoms[653], 5325, 2090, "LYS", -21.769, -50.189, -100.667);

  auto neg = read_mol(data_file("cytc_yeast_1cih_negnum.pdb"));
  expect_atom(neg->atoms[0], 2, -5, "THR", 5.082, 11.692, -7.4);
  expect_atom(neg->atoms[5], 43, 1, "GLY", 0.625, 24.526, -6.912);
}

TEST(CaReader, CrlfLineEndsReadLikeLf) {
  std::string crlf;
  for (char c : read_file(data_file("ubiquitin_1d3z_model1.pdb"))) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  std::string path = temp_path("crlf.pdb");
  write_file(path, crlf);
  auto lf = read_mol(data_file("ubiquitin_1d3z_model1.pdb"));
  auto cr = read_mol(path);
  EXPECT_EQ(cr->natoms, 76);
  expect_same_atoms(lf->atoms, cr->atoms, 76);
  std::remove(path.c_str());
}

TEST(CaReader, LongLinesAreReadInPiecesOf254) {
  std::string remark = "REMARK   1 ", tail = "REMARK 99 ";
  remark.resize(254, 'x');
  tail.resize(254, ' ');
  std::string padded = ca_line(6, "GLY", 10, 4, 5, 6);
  padded.insert(padded.size() - 1, 300, ' ');
  // Lines 1 and 3 carry a whole C-alpha line from character 255 on; line 2
  // is a C-alpha line with 300 blanks before its end.
  std::string path = temp_path("long.pdb");
  write_file(path, remark + ca_line(5, "ALA", 9, 1, 2, 3) + padded + tail + ca_line(7, "SER", 11, 7, 8, 9));
  auto mol = read_mol(path);
  EXPECT_EQ(mol->natoms, 3);
  EXPECT_EQ(mol->atoms[0].resnum, 9);
  EXPECT_EQ(mol->atoms[1].resnum, 10);
  EXPECT_EQ(mol->atoms[2].resnum, 11);
  std::remove(path.c_str());
}

TEST(CaReader, NoFieldCarriesOverAndUnreadableLinesAreReported) {
  std::string path = temp_path("carry.pdb");
  write_file(path, ca_line(1, "GLY", 1, 1, 2, 3) + "\n" + "ATOM      2  CA  ALA A   2\n" +
                       "ATOM      3  CA  SER A   3       4.000   5.000   6.000");
  testing::internal::CaptureStderr();
  auto mol = read_mol(path);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(mol->natoms, 2);
  EXPECT_EQ(mol->atoms[1].resnum, 3);
  EXPECT_DOUBLE_EQ(mol->atoms[1].x, 4.0);
  EXPECT_NE(err.find(path), std::string::npos) << err;
  EXPECT_NE(err.find("line 3"), std::string::npos) << err;
  EXPECT_EQ(err.find("line 2"), std::string::npos) << err;
  std::remove(path.c_str());
}

TEST(CaReader, CapacityIsFiveThousandAtoms) {
  std::string lines;
  for (int k = 0; k < MAX_ATOMS; ++k) lines += ca_line(k + 1, "ALA", k % 9999, k % 7, 1, 2);
  std::string path = temp_path("cap.pdb");
  write_file(path, lines + "HETATM 5001 CA    CA A9999      12.345  23.456  34.567\n");
  EXPECT_EQ(read_mol(path)->natoms, MAX_ATOMS);
  write_file(path, lines + ca_line(5001, "GLY", 1, 0, 0, 0));
  EXPECT_LE(read_mol(path, READ_TOO_MANY_ATOMS)->natoms, MAX_ATOMS);
  write_file(path, "");
  EXPECT_EQ(read_mol(path)->natoms, 0);
  std::remove(path.c_str());
}
