// The pairfit binary: options, file names, messages, exit statuses and the
// SCORE line.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "run/options.h"
#include "test_util.h"

namespace {

const std::string kUsage = "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n";

std::string q(const std::string &s) { return "'" + s + "'"; }

// The lines of a PDB text that start with prefix, for residues from..to.
std::string lines_of(const std::string &text, const char *prefix, int from = -9999, int to = 9999) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) != 0 || line.size() < 27) continue;
    int resnum = std::atoi(line.substr(22, 4).c_str());
    if (resnum >= from && resnum <= to) out += line + "\n";
  }
  return out;
}

int count_lines(const std::string &s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

// Runs pairfit on the same pair with extra options before and after the
// file names, expecting a completed run.
std::string run_on(const std::string &pair, const std::string &before, const std::string &after = "") {
  RunResult r = run_pairfit(before + " " + pair + " " + after);
  EXPECT_EQ(r.status, 0) << before << " ... " << after;
  return r.out;
}

}  // namespace

TEST(CommandLine, WrongArgumentsPrintUsageAndReadNothing) {
  const std::string a = q(data_file("ubiquitin_1d3z_model1.pdb")), b = q(data_file("ubiquitin_1d3z_model2.pdb"));
  const std::string missing = q(temp_path("missing.pdb"));
  for (const std::string &args : {std::string(), a, a + " " + b + " " + a, "-vf " + a + " " + b, a + " -V " + b,
                                  a + " - " + b, missing, missing + " " + missing + " " + missing,
                                  a + " " + b + " -pdb", a + " " + b + " -min", std::string("-min 5 -pdb")}) {
    RunResult r = run_pairfit(args);
    EXPECT_EQ(r.out, kUsage) << args;
    EXPECT_EQ(r.status, 1) << args;
  }
}

TEST(CommandLine, InputErrorsNameTheFileAndStopTheRun) {
  const std::string good = data_file("ubiquitin_1d3z_model1.pdb"), missing = temp_path("missing.pdb");
  const std::string overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz"), dir = PAIRFIT_DATA_DIR;
  const std::string gz = read_file(data_file("demo_ldh_6ldh_A.pdb.gz")), cut = temp_path("cut.pdb.gz");
  write_file(cut, gz.substr(0, gz.size() / 3));
  const std::string long_name(800, 'a'), longest_name(799, 'a');
  const std::string too_many = "Too many C-alpha atoms in file " + overcap + " (at most 5000)\n";
  const std::pair<std::string, std::string> cases[] = {
      {q(missing) + " " + q(good), "Couldn't open file " + missing + "\n"},
      // The second file is not tried once the first has failed.
      {q(missing) + " " + q(missing + "2"), "Couldn't open file " + missing + "\n"},
      {q(good) + " " + q(missing), "Couldn't open file " + missing + "\n"},
      {q(overcap) + " " + q(missing), too_many},
      {q(good) + " " + q(overcap), too_many},
      {q(dir) + " " + q(missing), "Error reading file " + dir + "\n"},
      {q(good) + " " + q(cut), "Error reading file " + cut + "\n"},
      {q(cut) + " " + q(dir), "Error reading file " + cut + "\n"},
      // Names are checked before any file is opened.
      {q(missing) + " " + long_name, "File name too long: " + long_name + "\n"},
      {q(good) + " " + q(good) + " -pdb " + long_name, "File name too long: " + long_name + "\n"},
      {longest_name + " " + q(good), "Couldn't open file " + longest_name + "\n"},
  };
  for (const auto &c : cases) {
    RunResult r = run_pairfit(c.first);
    EXPECT_EQ(r.out, c.second) << c.first.substr(0, 200);
    EXPECT_EQ(r.status, 1) << c.first.substr(0, 200);
  }
  std::remove(cut.c_str());
}

TEST(CommandLine, ScoreLineWithoutAcceptedSubset) {
  // 100 and 120 C-alpha atoms (all atoms of their residues) with three
  // residue numbers in common; and a file with no C-alpha ATOM line.
  const std::string ldh = read_file(example_file("demo_ldh_6ldh_A.pdb"));
  const std::string f100 = temp_path("ldh_1_100.pdb"), f120 = temp_path("ldh_98_217.pdb"), none = temp_path("noca.pdb");
  write_file(f100, lines_of(ldh, "ATOM", 1, 100));
  write_file(f120, lines_of(ldh, "ATOM", 98, 217));
  write_file(none, "HETATM 2345 CA    CA A 401      12.345  23.456  34.567  1.00 20.00          CA  \n" +
                       lines_of(ldh, "HETATM"));
  const std::string ubq = q(data_file("ubiquitin_1d3z_model1.pdb")), ubq2 = q(data_file("ubiquitin_1d3z_model2.pdb"));
  const std::pair<std::string, std::string> cases[] = {
      {q(f100) + " " + q(f120), "SCORE:\t120\t0\t0.0\t0.0\t1.000000e+00\t-6.108000e+00\n"},
      {q(f120) + " " + q(f100), "SCORE:\t120\t0\t0.0\t0.0\t1.000000e+00\t-5.090000e+00\n"},
      {q(none) + " " + ubq, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-inf\n"},
      {ubq + " " + q(none), "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n"},
      {"-min 76 " + ubq + " " + ubq2, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n"},
  };
  for (const auto &c : cases) {
    RunResult r = run_pairfit(c.first);
    EXPECT_EQ(r.out, c.second) << c.first;
    EXPECT_EQ(r.status, 0) << c.first;
  }
  for (const std::string &p : {f100, f120, none}) std::remove(p.c_str());
}

TEST(CommandLine, GzipInputAndMultiModelFiles) {
  const std::string other = q(example_file("demo_ldh_1ldm_A.pdb"));
  const std::string plain = run_on(q(example_file("demo_ldh_6ldh_A.pdb")) + " " + other, "");
  EXPECT_EQ(plain.rfind("SCORE:\t329\t", 0), 0u) << plain;
  EXPECT_EQ(count_lines(plain), 1);
  EXPECT_EQ(run_on(q(data_file("demo_ldh_6ldh_A.pdb.gz")) + " " + other, ""), plain);

  const std::string nmr = run_on(q(data_file("ubiquitin_1d3z_nmr.pdb.gz")) + " " + q(data_file("ubiquitin_1ubq_xray.pdb")), "");
  EXPECT_EQ(nmr.rfind("SCORE:\t760\t", 0), 0u) << nmr;
}

TEST(CommandLine, UnreadableLineWarnsOnStandardErrorOnly) {
  const std::string path = temp_path("bad_line.pdb"), err = temp_path("bad_line.err");
  write_file(path, "ATOM      1  CA  MET A   1      51.653 -89.3\n" +
                       lines_of(read_file(data_file("ubiquitin_1d3z_model1.pdb")), "ATOM"));
  const std::string out = run_on(q(path) + " " + q(data_file("ubiquitin_1d3z_model2.pdb")), "-min 76", "2>" + q(err));
  EXPECT_EQ(out, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n");
  const std::string warning = read_file(err);
  EXPECT_NE(warning.find(path), std::string::npos) << warning;
  EXPECT_NE(warning.find("line 1"), std::string::npos) << warning;
  std::remove(path.c_str());
  std::remove(err.c_str());
}

TEST(CommandLine, MinValueReadsLikeAtoiButClamps) {
  const std::pair<const char *, int> cases[] = {
      {"42", 42}, {" \t\n-17x", -17}, {"+5", 5}, {"x", 0}, {"", 0}, {"--3", 0}, {"- 3", 0}, {"1 2", 1},
      {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
      {"18446744073709551615", INT_MAX}, {"-18446744073709551617", INT_MIN}, {"99999999999999999999999", INT_MAX},
  };
  for (const auto &c : cases) EXPECT_EQ(parse_int_clamped(c.first), c.second) << c.first;
}

// Residues 1-10 of two ubiquitin models: ten pairs, fewer than the default
// minimum subset size, so the options visibly change the result.
TEST(CommandLine, OptionValuesLaterOptionsAndIgnoredOptions) {
  const std::string a = temp_path("ubq1_10a.pdb"), b = temp_path("ubq1_10b.pdb");
  write_file(a, lines_of(read_file(data_file("ubiquitin_1d3z_model1.pdb")), "ATOM", 1, 10));
  write_file(b, lines_of(read_file(data_file("ubiquitin_1d3z_model2.pdb")), "ATOM", 1, 10));
  const std::string pair = q(a) + " " + q(b);
  const std::string none = run_on(pair, ""), zero = run_on(pair, "-min 0");
  EXPECT_EQ(none, "SCORE:\t10\t0\t0.0\t0.0\t1.000000e+00\t-6.108000e+01\n");
  EXPECT_EQ(count_lines(zero), 1);
  EXPECT_NE(zero, none);

  EXPECT_EQ(run_on(pair, "-min -v"), zero);  // -v is the value, not verbose
  EXPECT_EQ(run_on(pair, "-min x"), zero);   // no digits: 0
  EXPECT_EQ(run_on(pair, "", "-min ' +0junk'"), zero);
  EXPECT_EQ(run_on(pair, "-min 18446744073709551615"), none);  // clamped, not wrapped
  EXPECT_EQ(run_on(pair, "-min -99999999999999999999"), zero);
  EXPECT_GT(count_lines(run_on(pair, "-v -min 0")), 1);

  EXPECT_EQ(run_on(pair, "-min 0 -min 1000"), none);
  EXPECT_EQ(run_on(pair, "-min 1000", "-min 0"), zero);
  const std::string every_step = run_on(pair, "-min 0 -a"), fifths = run_on(pair, "-min 0 -f");
  EXPECT_NE(every_step, fifths);
  EXPECT_GT(count_lines(fifths), 1);
  EXPECT_EQ(run_on(pair, "-min 0 -f -a"), every_step);
  EXPECT_EQ(run_on(pair, "-min 0 -a", "-f"), fifths);

  EXPECT_EQ(run_on(pair, "-1 -min 0 -2"), zero);
  EXPECT_EQ(run_on(pair, "-2 -min 0", "-1 -1"), zero);
  EXPECT_EQ(run_on(pair, "-1 -2"), none);

  const std::string x = temp_path("first_out.pdb"), y = temp_path("second_out.pdb");
  EXPECT_EQ(run_on(pair, "-min 0 -pdb " + q(x), "-pdb " + q(y)), zero);
  EXPECT_EQ(read_file(x), "");
  EXPECT_NE(read_file(y), "");
  for (const std::string &p : {a, b, y}) std::remove(p.c_str());
}
