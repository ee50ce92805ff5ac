// Whole runs of the binary on real structures: the recorded outputs of
// tests/expected/ byte for byte, and the rules every output must obey.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

const std::string EXPECTED_DIR = std::string(PAIRFIT_DATA_DIR) + "/../expected/";

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> split_tabs(const std::string &line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

bool starts_with(const std::string &s, const std::string &prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// ---- Recorded outputs --------------------------------------------------

struct Case {
  std::string name, args;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

std::vector<Case> load_cases() {
  std::vector<Case> cases;
  std::ifstream in(EXPECTED_DIR + "cases.txt");
  for (std::string line; std::getline(in, line);) {
    size_t colon = line.find(": ");
    if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
    cases.push_back({line.substr(0, colon), line.substr(colon + 2)});
  }
  return cases;
}

std::string replace_all(std::string s, const std::string &from, const std::string &to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

std::string sha256_of_file(const std::string &path) {
  FILE *p = popen(("sha256sum '" + path + "'").c_str(), "r");
  char digest[65] = "";
  if (p != nullptr) {
    if (std::fscanf(p, "%64s", digest) != 1) digest[0] = '\0';
    pclose(p);
  }
  return digest;
}

// Compares actual with NAME (text) or NAME.sha256 (digest) of the expected
// folder. On a mismatch the actual output is kept in a scratch file.
void expect_recorded(const std::string &name, const std::string &actual) {
  std::string kept = temp_path("actual_" + name);
  write_file(kept, actual);
  if (std::ifstream(EXPECTED_DIR + name).good()) {
    std::string expected = read_file(EXPECTED_DIR + name);
    if (actual == expected) {
      std::remove(kept.c_str());
      return;
    }
    std::vector<std::string> want = split_lines(expected), got = split_lines(actual);
    size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
    ADD_FAILURE() << name << " differs first at line " << i + 1 << "\n  expected: "
                  << (i < want.size() ? want[i] : "<end>")
                  << "\n  actual:   " << (i < got.size() ? got[i] : "<end>")
                  << "\n  actual output kept in " << kept;
  } else if (std::ifstream(EXPECTED_DIR + name + ".sha256").good()) {
    std::string want = read_file(EXPECTED_DIR + name + ".sha256").substr(0, 64);
    if (sha256_of_file(kept) == want) {
      std::remove(kept.c_str());
      return;
    }
    ADD_FAILURE() << name << ": SHA-256 differs from the recorded one; actual output kept in "
                  << kept;
  } else {
    ADD_FAILURE() << "no expected output " << name << " (run tests/make_expected)";
  }
}

class RecordedOutput : public ::testing::TestWithParam<Case> {};

TEST_P(RecordedOutput, SameBytes) {
  const Case &c = GetParam();
#ifdef __SANITIZE_ADDRESS__
  // Its search is repeated by large.full; under the sanitizers each takes
  // the better part of a minute.
  if (c.name == "large") GTEST_SKIP() << "covered by large.full in this build";
#endif
  std::string pdb = temp_path(c.name + ".pdb");
  std::remove(pdb.c_str());
  std::string args = replace_all(c.args, "@D/", data_file(""));
  args = replace_all(args, "@E/", example_file(""));
  bool writes_pdb = args.find("@PDB") != std::string::npos;
  args = replace_all(args, "@PDB", pdb);
  RunResult r = run_pairfit(args + " 2>/dev/null");
  EXPECT_EQ(r.status, 0);
  expect_recorded(c.name + ".stdout", r.out);
  if (writes_pdb) expect_recorded(c.name + ".pdb", read_file(pdb));
  std::remove(pdb.c_str());
}

INSTANTIATE_TEST_SUITE_P(Pairs, RecordedOutput, ::testing::ValuesIn(load_cases()),
                         [](const ::testing::TestParamInfo<Case> &info) {
                           std::string id = info.param.name;
                           for (char &ch : id)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return id;
                         });

TEST(RecordedOutput, ManifestCoversEnoughPairs) {
  std::vector<Case> cases = load_cases();
  int plain = 0, full = 0;
  for (const Case &c : cases) {
    if (c.name.find('.') == std::string::npos) ++plain;
    if (c.args.find("-a -o -b -pdb @PDB") == 0) ++full;
  }
  EXPECT_GE(plain, 20);
  EXPECT_GE(full, 20);
}

// ---- Rules every run obeys ---------------------------------------------

const std::string UBQ_1_2 =
    data_file("ubiquitin_1d3z_model1.pdb") + " " + data_file("ubiquitin_1d3z_model2.pdb");
const std::string UBQ_XRAY_NMR =
    data_file("ubiquitin_1ubq_xray.pdb") + " " + data_file("ubiquitin_1d3z_nmr.pdb.gz");
const std::string CYTC_SHIFTED =
    data_file("cytc_yeast_1u74_D_from1.pdb") + " " + data_file("cytc_horse_2pcb_B.pdb");
const std::string CYTC_HOMOLOGS =
    data_file("cytc_yeast_1cih_negnum.pdb") + " " + data_file("cytc_horse_2pcb_B.pdb");
const std::string HB_CHAIN_B =
    data_file("hemoglobin_2hhb_4chains.pdb.gz") + " " + data_file("hemoglobin_2hhb_chainB_ca.pdb");
const std::string HEADER =
    "Atom \t Name \t  residue \t RMS deviation\tAtom \t Name \t  residue \t RMS deviation";

struct Score {
  int size = -1;
  double rms = 0, score = 0;
  std::string fields;  // size, RMS, score and p-value as printed
};

Score score_of(const std::vector<std::string> &lines) {
  Score s;
  for (const std::string &line : lines)
    if (starts_with(line, "SCORE:\t")) {
      std::vector<std::string> f = split_tabs(line);
      s.size = std::stoi(f[2]);
      s.rms = std::stod(f[3]);
      s.score = std::stod(f[4]);
      s.fields = f[2] + "\t" + f[3] + "\t" + f[4] + "\t" + f[5];
    }
  return s;
}

// Checks a per-atom table at lines[at]: the RMS line, an empty line, the two
// headers and `rows` rows. Returns the index after it and the printed RMS.
size_t expect_table(const std::vector<std::string> &lines, size_t at, int rows, double *rms) {
  const std::string lead = "Overall average RMS deviation is ";
  if (at + 4 > lines.size() || !starts_with(lines[at], lead)) {
    ADD_FAILURE() << "no table at line " << at + 1;
    return lines.size();
  }
  *rms = std::stod(lines[at].substr(lead.size()));
  EXPECT_EQ(lines[at].substr(lines[at].size() - 11), " Angstroms.");
  EXPECT_EQ(lines[at + 1], "");
  EXPECT_EQ(lines[at + 2], "RMS deviations by atom");
  EXPECT_EQ(lines[at + 3], HEADER);
  size_t end = at + 4;
  while (end < lines.size() && std::isdigit(static_cast<unsigned char>(lines[end][0]))) {
    EXPECT_EQ(split_tabs(lines[end]).size(), 8u) << lines[end];
    ++end;
  }
  EXPECT_EQ(static_cast<int>(end - at - 4), rows) << "rows of the table at line " << at + 1;
  return end;
}

// Checks the coordinate file of a run whose values all fit their columns:
// two blocks of n 71-character lines, each closed by "END ", the same flags
// in both. Returns the RMS deviation and the centroids of the flagged pairs.
double flagged_rms(const std::string &path, int n, int *flagged, double centroid[2][3]) {
  std::vector<std::string> lines = split_lines(read_file(path));
  EXPECT_EQ(lines.size(), static_cast<size_t>(2 * n + 2));
  if (lines.size() != static_cast<size_t>(2 * n + 2)) return -1;
  EXPECT_EQ(lines[n], "END ");
  EXPECT_EQ(lines[2 * n + 1], "END ");
  double sum = 0;
  *flagged = 0;
  for (int i = 0; i < n; ++i) {
    const std::string &l2 = lines[i], &l1 = lines[n + 1 + i];
    EXPECT_TRUE(l2.size() == 71 && l1.size() == 71) << l2 << "\n" << l1;
    EXPECT_TRUE(starts_with(l2, "ATOM   ") && starts_with(l1, "ATOM   "));
    EXPECT_EQ(l2.substr(54, 6), "  1.0 ");
    EXPECT_EQ(l2.substr(63, 3) + l1.substr(63, 3), ".00.50");
    EXPECT_EQ(l2[62], l1[62]) << "flag of pair " << i;
    if (l1[62] != '1') continue;
    ++*flagged;
    for (int k = 0; k < 3; ++k) {
      double x1 = std::stod(l1.substr(30 + 8 * k, 8)), x2 = std::stod(l2.substr(30 + 8 * k, 8));
      sum += (x1 - x2) * (x1 - x2);
      centroid[0][k] += x1;
      centroid[1][k] += x2;
    }
  }
  return std::sqrt(sum / *flagged);
}

TEST(RunRules, BestSubsetIsLargerThanTheMinimum) {
  struct { std::string args; int min; } runs[] = {
      {CYTC_SHIFTED, 19}, {CYTC_SHIFTED + " -min 30", 30}, {UBQ_1_2 + " -min 60", 60},
      {HB_CHAIN_B, 19},   {HB_CHAIN_B + " -min 25", 25},   {UBQ_1_2 + " -min 75", 75}};
  for (const auto &run : runs) {
    Score s = score_of(split_lines(run_pairfit(run.args).out));
    EXPECT_GT(s.size, run.min) << run.args;
  }
}

// "-a -v -o -b -pdb": per growth step a FRAC1 line, its table and, when the
// subset is accepted, a GOOD1 line with the same values; GOOD1 p-values never
// rise and the last one is the SCORE line's; then the table of the best
// subset, N SCORE-TEST lines and the coordinate file of its fit.
TEST(RunRules, FullRunHangsTogether) {
  struct { std::string pair; int n; bool verbose; } runs[] = {
      {UBQ_1_2, 76, true}, {CYTC_SHIFTED, 104, false}, {HB_CHAIN_B, 146, false}};
  for (const auto &run : runs) {
    SCOPED_TRACE(run.pair);
    std::string pdb = temp_path("full.pdb");
    RunResult r = run_pairfit("-a -o -b " + std::string(run.verbose ? "-v " : "") + "-pdb " +
                              pdb + " " + run.pair);
    ASSERT_EQ(r.status, 0);
    std::vector<std::string> lines = split_lines(r.out);
    size_t i = 0;
    double last_p = 1.0, table_rms = 0;
    std::string last_good;
    int steps = 0;
    while (i < lines.size() && starts_with(lines[i], "FRAC1:\t")) {
      std::vector<std::string> f = split_tabs(lines[i++]);
      ASSERT_EQ(f.size(), 6u);
      int k = std::stoi(f[2]);
      char fraction[16];
      std::snprintf(fraction, sizeof fraction, "%.2f", static_cast<double>(k) / run.n);
      EXPECT_EQ(f[1], fraction);
      ++steps;
      if (run.verbose) i = expect_table(lines, i, k, &table_rms);
      if (i < lines.size() && starts_with(lines[i], "GOOD1:\t")) {
        std::vector<std::string> g = split_tabs(lines[i++]);
        EXPECT_EQ(std::vector<std::string>(g.begin() + 1, g.end()),
                  std::vector<std::string>(f.begin() + 1, f.end()));
        EXPECT_GT(k, 19);
        EXPECT_LE(std::stod(g[5]), last_p) << lines[i - 1];
        last_p = std::stod(g[5]);
        last_good = g[2] + "\t" + g[3] + "\t" + g[4] + "\t" + g[5];
      }
    }
    EXPECT_GT(steps, run.n);
    ASSERT_LT(i, lines.size());
    ASSERT_TRUE(starts_with(lines[i], "SCORE:\t")) << lines[i];
    Score s = score_of(lines);
    EXPECT_EQ(s.fields, last_good);
    i = expect_table(lines, i + 1, s.size, &table_rms);
    for (int size = 0; size < run.n; ++size, ++i) {
      ASSERT_LT(i, lines.size());
      std::vector<std::string> t = split_tabs(lines[i]);
      ASSERT_EQ(t.size(), 4u) << lines[i];
      EXPECT_EQ(t[0], "SCORE-TEST");
      EXPECT_EQ(t[1], std::to_string(size));
      if (size < 5) {
        EXPECT_EQ(t[2], "0.000000");
      }
      if (size == s.size) {
        EXPECT_GE(std::stod(t[2]), s.score - 0.05);
      }
    }
    EXPECT_EQ(i, lines.size()) << "lines after the SCORE-TEST lines";

    // The file holds the best subset's fit: its flagged atoms are centred
    // and lie apart by the RMS of the SCORE line and of the table.
    int flagged = 0;
    double centroid[2][3] = {};
    double file_rms = flagged_rms(pdb, run.n, &flagged, centroid);
    EXPECT_EQ(flagged, s.size);
    EXPECT_NEAR(file_rms, s.rms, 0.05);
    EXPECT_NEAR(file_rms, table_rms, 1.5e-3);
    for (auto &mol : centroid)
      for (double v : mol) EXPECT_NEAR(v / flagged, 0.0, 1e-3);
    std::remove(pdb.c_str());
  }
}

TEST(RunRules, FractionStepPrintsTheFirstFiveSteps) {
  for (const std::string &pair : {UBQ_1_2, CYTC_SHIFTED, CYTC_HOMOLOGS}) {
    std::vector<std::string> every = split_lines(run_pairfit("-a " + pair).out);
    std::vector<std::string> stepped = split_lines(run_pairfit("-f " + pair).out);
    std::vector<std::string> frac_a, frac_f, rest_a, rest_f;
    for (const std::string &l : every) (starts_with(l, "FRAC1") ? frac_a : rest_a).push_back(l);
    for (const std::string &l : stepped) (starts_with(l, "FRAC1") ? frac_f : rest_f).push_back(l);
    ASSERT_GE(frac_a.size(), 5u);
    EXPECT_EQ(frac_f, std::vector<std::string>(frac_a.begin(), frac_a.begin() + 5)) << pair;
    EXPECT_EQ(rest_f, rest_a) << "GOOD1 and SCORE lines of " << pair;
  }
}

TEST(RunRules, OneAndTwoChangeNothing) {
  std::string pdb_a = temp_path("plain.pdb"), pdb_b = temp_path("one_two.pdb");
  RunResult a = run_pairfit("-a -o -b -pdb " + pdb_a + " " + CYTC_HOMOLOGS);
  RunResult b = run_pairfit("-1 -a -2 -o -b -pdb " + pdb_b + " " + data_file("cytc_yeast_1cih_negnum.pdb") +
                            " -2 " + data_file("cytc_horse_2pcb_B.pdb") + " -1");
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(b.status, 0);
  EXPECT_TRUE(a.out == b.out);
  EXPECT_TRUE(read_file(pdb_a) == read_file(pdb_b));
  EXPECT_FALSE(read_file(pdb_a).empty());
  std::remove(pdb_a.c_str());
  std::remove(pdb_b.c_str());
}

TEST(RunRules, AlignmentReportAlone) {
  for (const std::string &pair : {UBQ_XRAY_NMR, CYTC_SHIFTED}) {
    std::vector<std::string> lines = split_lines(run_pairfit("-o " + pair).out);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(starts_with(lines[0], "SCORE:\t"));
    Score s = score_of(lines);
    double rms = 0;
    EXPECT_EQ(expect_table(lines, 1, s.size, &rms), lines.size());
    EXPECT_NEAR(rms, s.rms, 0.05);
  }
}

}  // namespace
