// The per-atom table and the coordinate file, from a hand-filled workspace
// and from whole runs: no accepted subset, and a coordinate file that cannot
// be written.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "report/report.h"
#include "structure/molecule.h"
#include "test_util.h"

namespace {

const char HEADER[] =
    "Atom \t Name \t  residue \t RMS deviation\tAtom \t Name \t  residue \t RMS deviation\n";

void set_atom(atom *a, int number, const char *resname, int resnum, double x, double y, double z,
              double sqdev, int selected) {
  *a = atom{};
  a->x = x;
  a->y = y;
  a->z = z;
  a->sqdev = sqdev;
  std::snprintf(a->resname, NAME_SIZE, "%s", resname);
  std::snprintf(a->name, NAME_SIZE, "CA");
  a->number = number;
  a->resnum = resnum;
  a->selected = selected;
}

std::string table() {
  testing::internal::CaptureStdout();
  output_results();
  return testing::internal::GetCapturedStdout();
}

TEST(DeviationTable, RowsOfTheSelectedPairs) {
  m[0].natoms = m[1].natoms = 3;
  set_atom(&m[0].atoms[0], 10, "ALA", 2, 0, 0, 0, 1.5625, 1);
  set_atom(&m[1].atoms[0], 10, "ALA", 2, 0, 0, 0, 1.5625, 1);
  // Only molecule 1's flag counts; each column shows its own atom's sqdev.
  set_atom(&m[0].atoms[1], 11, "SER", 3, 0, 0, 0, 4.0, 0);
  set_atom(&m[1].atoms[1], 31, "SER", 3, 0, 0, 0, 4.0, 1);
  set_atom(&m[0].atoms[2], 7, "GL", 12345, 0, 0, 0, 1e6, 1);
  set_atom(&m[1].atoms[2], 8, "GLYX", -3, 0, 0, 0, 4e6, 0);
  rms = 1.5;
  EXPECT_EQ(table(), std::string("Overall average RMS deviation is 1.500000 Angstroms.\n\n"
                                 "RMS deviations by atom\n") +
                         HEADER +
                         "10 \t CA \t ALA    2 \t   1.2500\t10 \t CA \t ALA    2 \t   1.2500\n"
                         "7 \t CA \t  GL 12345 \t 1000.0000\t8 \t CA \t GLYX   -3 \t 2000.0000\n");
}

TEST(DeviationTable, NoSelectedPairs) {
  m[0].natoms = m[1].natoms = 1;
  set_atom(&m[0].atoms[0], 1, "ALA", 1, 0, 0, 0, 2.0, 0);
  set_atom(&m[1].atoms[0], 1, "ALA", 1, 0, 0, 0, 2.0, 0);
  rms = 0.0;
  EXPECT_EQ(table(), std::string("Overall average RMS deviation is 0.000000 Angstroms.\n\n"
                                 "RMS deviations by atom\n") + HEADER);
}

TEST(CoordinateFile, BlocksLinesAndMarks) {
  m[0].natoms = m[1].natoms = 2;
  set_atom(&m[1].atoms[0], 12, "ALA", 7, 1.5, -23.456, 100.0, 0, 0);
  set_atom(&m[0].atoms[0], 12, "ALA", 7, 0.25, 0.5, -0.0001, 0, 1);
  set_atom(&m[1].atoms[1], 10345, "GLY", 8, -100.5, 999.9994, 0, 0, 1);
  set_atom(&m[0].atoms[1], 13, "GLY", 8, 0, 0, 0, 0, 0);
  std::string path = temp_path("coordinates.pdb");
  write_file(path, "an older file, longer than the new one\n" + std::string(1000, 'x'));
  output_file(path.c_str());
  std::string want =
      // the flag of each line is molecule 1's
      "ATOM   12    CA  ALA  7          1.500 -23.456 100.000  1.0   1.00     \n"
      "ATOM   10345  CA  GLY  8        -100.500 999.999   0.000  1.0   0.00     \n"
      "END \n"
      "ATOM   12    CA  ALA  7          0.250   0.500  -0.000  1.0   1.50     \n"
      "ATOM   13    CA  GLY  8          0.000   0.000   0.000  1.0   0.50     \n"
      "END \n";
  EXPECT_EQ(read_file(path), want);

  m[0].natoms = m[1].natoms = 0;
  output_file(path.c_str());
  EXPECT_EQ(read_file(path), "END \nEND \n");
  std::remove(path.c_str());
}

// ---- Whole runs --------------------------------------------------------

const std::string UBQ_1_2 =
    data_file("ubiquitin_1d3z_model1.pdb") + " " + data_file("ubiquitin_1d3z_model2.pdb");

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string score_line(const std::string &args) {
  return lines_of(run_pairfit(args).out).at(0) + "\n";
}

// No accepted subset: "-o" prints the table head with 0.000000 and no rows;
// "-pdb" writes both molecules as the search left them, every flag 0.
TEST(NoAcceptedSubset, ReportsStayEmptyAndFinite) {
  // Twelve residues of 1UBQ against the whole of it: the same twelve atoms
  // in both blocks, centred on all twelve by the last fit of the search.
  std::string tiny = data_file("ubiquitin_1ubq_first12_ca.pdb");
  std::string pdb = temp_path("no_subset.pdb");
  RunResult r = run_pairfit("-o -pdb " + pdb + " " + tiny + " " + data_file("ubiquitin_1ubq_xray.pdb"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-5.090000e+01\n"
                   "Overall average RMS deviation is 0.000000 Angstroms.\n\n"
                   "RMS deviations by atom\n" + std::string(HEADER));
  std::vector<std::string> in = lines_of(read_file(tiny)), out = lines_of(read_file(pdb));
  ASSERT_EQ(out.size(), 26u);
  double read[12][3], centroid[3] = {};
  char names[12][40];
  for (int i = 0; i < 12; ++i) {
    std::snprintf(names[i], sizeof names[i], "ATOM   %-4d  CA  %-3s  %-4d     ",
                  std::stoi(in[i].substr(6, 5)), in[i].substr(17, 3).c_str(),
                  std::stoi(in[i].substr(22, 4)));
    for (int k = 0; k < 3; ++k) {
      read[i][k] = std::stod(in[i].substr(30 + 8 * k, 8));
      centroid[k] += read[i][k] / 12;
    }
  }
  for (int i = 0; i < 12; ++i)
    for (const std::string &line : {out[i], out[13 + i]}) {
      EXPECT_EQ(line.substr(0, 31), names[i]);
      EXPECT_EQ(line.substr(62, 2), "0.");
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(std::stod(line.substr(30 + 8 * k, 8)), read[i][k] - centroid[k], 1.5e-3);
    }
  EXPECT_EQ(out[12], "END ");
  EXPECT_EQ(out[25], "END ");

  // A minimum that no subset can pass, on a pair of 76.
  r = run_pairfit("-o -pdb " + pdb + " -min 76 " + UBQ_1_2);
  EXPECT_EQ(r.out.find("nan"), std::string::npos);
  EXPECT_EQ(lines_of(r.out).size(), 5u);
  std::string file = read_file(pdb);
  EXPECT_EQ(file.find("nan"), std::string::npos);
  EXPECT_EQ(file.find("1.00 "), std::string::npos);
  EXPECT_EQ(file.find("1.50 "), std::string::npos);
  EXPECT_EQ(lines_of(file).size(), 154u);
  std::remove(pdb.c_str());
}

TEST(UnwritableCoordinateFile, MissingDirectory) {
  std::string path = temp_path("no_such_directory") + "/out.pdb";
  RunResult r = run_pairfit("-pdb " + path + " " + UBQ_1_2);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, score_line(UBQ_1_2) + "Couldn't write file " + path + "\n");
}

TEST(UnwritableCoordinateFile, WriteFailureLeavesNoPartialFile) {
  // A file size limit of 1024 bytes makes the writes fail part way.
  std::string path = temp_path("too_big.pdb");
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit small = old_limit;
  small.rlim_cur = 1024;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  RunResult r = run_pairfit("-o -pdb " + path + " " + UBQ_1_2);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.size(), 82u);  // SCORE line, table of 76 rows, message
  EXPECT_EQ(lines.back(), "Couldn't write file " + path);
  EXPECT_EQ(lines.front() + "\n", score_line(UBQ_1_2));
  EXPECT_FALSE(std::ifstream(path).good()) << "a partial file was left at " << path;
}

TEST(UnwritableCoordinateFile, FullDeviceIsReportedAndKept) {
  // Through a link, so that the test never touches /dev/full itself: a
  // failed write must not delete what the path names, only a file that
  // pairfit itself would have left half written. The file of twelve pairs
  // is small enough to fail only when it is closed.
  std::string link = temp_path("full_device");
  std::remove(link.c_str());
  ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
  std::string pair = data_file("ubiquitin_1ubq_first12_ca.pdb") + " " + data_file("ubiquitin_1ubq_xray.pdb");
  RunResult r = run_pairfit("-pdb " + link + " " + pair);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, score_line(pair) + "Couldn't write file " + link + "\n");
  struct stat st;
  EXPECT_EQ(lstat(link.c_str(), &st), 0) << "the path given to -pdb was deleted";
  std::remove(link.c_str());
}

}  // namespace
