// The pairfit binary: options and their values, messages and exit statuses,
// and coordinate files that cannot be written.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <string>
#include <utility>

#include "test_util.h"

namespace {

const std::string UBQ1 = quote(data_file("ubiquitin_1d3z_model1.pdb"));
const std::string UBQ2 = quote(data_file("ubiquitin_1d3z_model2.pdb"));
const std::string XRAY = quote(data_file("ubiquitin_1ubq_xray.pdb"));
// Twelve pairs: no subset with the default minimum, one with -min 0.
const std::string FIRST12 = quote(data_file("ubiquitin_1ubq_first12_ca.pdb")) + " " + XRAY;
const std::string NO_SUBSET_12 = "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-5.090000e+01\n";

}  // namespace

TEST(CommandLine, FailuresPrintAMessageAndExitWith1) {
  const std::string usage = "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n", missing = temp_path("missing.pdb");
  const std::string overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz"), dir = PAIRFIT_DATA_DIR;
  const std::string gz = read_file(data_file("demo_ldh_6ldh_A.pdb.gz"));
  Scratch cut("cut.pdb.gz", gz.substr(0, gz.size() / 3));
  const std::string too_many = "Too many C-alpha atoms in file " + overcap + " (at most 5000)\n";
  const std::string long_name(800, 'a'), longest_name(799, 'a'), m = quote(missing);
  const std::pair<std::string, std::string> cases[] = {
      {"", usage}, {UBQ1, usage}, {UBQ1 + " " + UBQ2 + " " + UBQ1, usage}, {"-vf " + UBQ1 + " " + UBQ2, usage},
      {UBQ1 + " -V " + UBQ2, usage}, {UBQ1 + " - " + UBQ2, usage}, {m, usage}, {m + " " + m + " " + m, usage},
      {UBQ1 + " " + UBQ2 + " -pdb", usage}, {UBQ1 + " " + UBQ2 + " -min", usage}, {"-min 5 -pdb", usage},
      {m + " " + UBQ1, "Couldn't open file " + missing + "\n"},
      // The second file is not tried once the first has failed.
      {m + " " + m + "2", "Couldn't open file " + missing + "\n"},
      {UBQ1 + " " + m, "Couldn't open file " + missing + "\n"},
      {quote(overcap) + " " + m, too_many}, {UBQ1 + " " + quote(overcap), too_many},
      {quote(dir) + " " + m, "Error reading file " + dir + "\n"},
      {UBQ1 + " " + quote(cut.path), "Error reading file " + cut.path + "\n"},
      {quote(cut.path) + " " + quote(dir), "Error reading file " + cut.path + "\n"},
      // Names are checked before any file is opened.
      {m + " " + long_name, "File name too long: " + long_name + "\n"},
      {UBQ1 + " " + UBQ1 + " -pdb " + long_name, "File name too long: " + long_name + "\n"},
      {longest_name + " " + UBQ1, "Couldn't open file " + longest_name + "\n"},
  };
  for (const auto &c : cases) {
    RunResult r = run_pairfit(c.first);
    EXPECT_EQ(r.out + std::to_string(r.status), c.second + "1") << c.first.substr(0, 200);
  }
}

TEST(CommandLine, OptionsAndValues) {
  // "@" marks where the two file names go.
  auto out = [](std::string args) {
    if (args.find('@') != std::string::npos) args.replace(args.find('@'), 1, FIRST12);
    RunResult r = run_pairfit(args);
    EXPECT_EQ(r.status, 0) << args;
    return r.out;
  };
  const std::string none = out("@"), zero = out("-min 0 @"), every = out("-min 0 -a @"), fifths = out("-min 0 -f @");
  EXPECT_EQ(none, NO_SUBSET_12);
  EXPECT_NE(zero, none);
  EXPECT_NE(every, fifths);
  EXPECT_NE(out("-v -min 0 @"), zero);
  const std::string x = temp_path("first.pdb"), y = temp_path("second.pdb");
  Scratch bad("bad_line.pdb", "ATOM      1  CA  MET A   1      51.653 -89.3\n" +
                                  read_file(data_file("ubiquitin_1ubq_first12_ca.pdb")));
  const std::pair<std::string, const std::string *> cases[] = {
      {"-min -v @", &zero},  // -v is the value, not verbose
      {"-min x @", &zero}, {"@ -min ' +0junk'", &zero}, {"-min 18446744073709551615 @", &none},
      {"-min -99999999999999999999 @", &zero}, {"-min 0 -min 1000 @", &none}, {"-min 1000 @ -min 0", &zero},
      {"-min 0 -f -a @", &every}, {"-min 0 -a @ -f", &fifths}, {"-1 -min 0 -2 @", &zero},
      {"-2 -min 0 @ -1 -1", &zero}, {"-1 -2 @", &none}, {"-min 0 -pdb " + quote(x) + " @ -pdb " + quote(y), &zero},
      // A warning goes to standard error only.
      {"-min 0 " + quote(bad.path) + " " + XRAY + " 2>/dev/null", &zero},
  };
  for (const auto &c : cases) EXPECT_EQ(out(c.first), *c.second) << c.first;
  EXPECT_FALSE(std::ifstream(x).good());
  EXPECT_NE(read_file(y), "");
  std::remove(y.c_str());
}

TEST(CommandLine, FileWithoutCalphaAtoms) {
  Scratch none("noca.pdb", "HETATM 2345 CA    CA A 401      12.345  23.456  34.567  1.00 20.00          CA  \n");
  EXPECT_EQ(run_pairfit(quote(none.path) + " " + UBQ1).out, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-inf\n");
  EXPECT_EQ(run_pairfit(UBQ1 + " " + quote(none.path)).out, "SCORE:\t76\t0\t0.0\t0.0\t1.000000e+00\t-8.036842e+00\n");
}

// The path is a missing directory, a file over the size limit, or a link to
// a full device: a failed write removes a file of its own making, never
// what the path names.
TEST(CommandLine, CoordinateFileThatCannotBeWritten) {
  const std::string no_dir = temp_path("no_dir") + "/out.pdb", too_big = temp_path("big.pdb");
  const std::string full = temp_path("full");
  std::remove(full.c_str());
  ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
  struct rlimit old_limit, small;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  small = old_limit;
  small.rlim_cur = 1024;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  for (const std::string &path : {no_dir, too_big, full}) {
    if (path == too_big) setrlimit(RLIMIT_FSIZE, &small);
    RunResult r = run_pairfit("-pdb " + quote(path) + " " + FIRST12);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_EQ(r.out + std::to_string(r.status), NO_SUBSET_12 + "Couldn't write file " + path + "\n1");
  }
  std::signal(SIGXFSZ, old_handler);
  struct stat st;
  EXPECT_NE(lstat(too_big.c_str(), &st), 0) << "a partial file was left";
  EXPECT_EQ(lstat(full.c_str(), &st), 0) << "the link given to -pdb was deleted";
  std::remove(full.c_str());
}
