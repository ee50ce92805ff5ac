// The pairfit binary: options and their values, messages and exit statuses,
// and coordinate files that would replace an input.
#include <sys/stat.h>

#include <algorithm>
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
const std::string ALL_12 = "SCORE:\t76\t12\t0.0\t240.0\t1.486056e-01\t1.809706e+01\n";

// The lines of text that start with prefix.
std::string lines_starting(const std::string &text, const std::string &prefix) {
    std::string found, line;
    for (std::istringstream in(text); std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0) found += line + "\n";
    return found;
}
size_t count_lines(const std::string &text) {
    return std::count(text.begin(), text.end(), '\n');
}

}  // namespace

TEST(CommandLine, FailuresPrintAMessageAndExitWith1) {
    const std::string usage = "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n",
                      missing = temp_path("missing.pdb");
    const std::string overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz"), dir = PAIRFIT_DATA_DIR;
    const std::string gz = read_file(data_file("demo_ldh_6ldh_A.pdb.gz"));
    Scratch cut("cut.pdb.gz", gz.substr(0, gz.size() / 3));
    const std::string too_many = "Too many C-alpha atoms in file " + overcap + " (at most 5000)\n";
    const std::string long_name(800, 'a'), longest_name(799, 'a'), m = quote(missing);
    const std::pair<std::string, std::string> cases[] = {
        {"", usage},
        {UBQ1, usage},
        {UBQ1 + " " + UBQ2 + " " + UBQ1, usage},
        {"-vf " + UBQ1 + " " + UBQ2, usage},
        {UBQ1 + " -V " + UBQ2, usage},
        {UBQ1 + " - " + UBQ2, usage},
        {m, usage},
        {m + " " + m + " " + m, usage},
        {UBQ1 + " " + UBQ2 + " -pdb", usage},
        {UBQ1 + " " + UBQ2 + " -min", usage},
        {"-min 5 -pdb", usage},
        {UBQ1 + " " + UBQ2 + " -html", usage},
        {UBQ1 + " " + UBQ2 + " -sup", usage},
        {m + " " + UBQ1, "Couldn't open file " + missing + "\n"},
        // The second file is not tried once the first has failed.
        {m + " " + m + "2", "Couldn't open file " + missing + "\n"},
        {UBQ1 + " " + m, "Couldn't open file " + missing + "\n"},
        {quote(overcap) + " " + m, too_many},
        {UBQ1 + " " + quote(overcap), too_many},
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
    const std::string none = out("@"), zero = out("-min 0 @"), every = out("-min 0 -a @"),
                      fifths = out("-min 0 -f @");
    EXPECT_EQ(none, NO_SUBSET_12);
    EXPECT_EQ(zero, ALL_12);
    // -a: a FRAC1 line every growth step; -f: at most five, the same GOOD1 lines.
    EXPECT_EQ(count_lines(lines_starting(every, "FRAC1:")), 64u);
    EXPECT_EQ(count_lines(lines_starting(fifths, "FRAC1:")), 3u);
    EXPECT_EQ(count_lines(lines_starting(every, "GOOD1:")), 15u);
    EXPECT_EQ(lines_starting(fifths, "GOOD1:"), lines_starting(every, "GOOD1:"));
    EXPECT_EQ(lines_starting(every, "SCORE:") + lines_starting(fifths, "SCORE:"), ALL_12 + ALL_12);
    // -v: a table after each of the 64 steps, the SCORE line last.
    const std::string verbose = out("-v -min 0 @");
    EXPECT_EQ(count_lines(lines_starting(verbose, "Overall average RMS deviation is ")), 64u);
    EXPECT_EQ(verbose.substr(verbose.size() - ALL_12.size()), ALL_12);
    const std::string x = temp_path("first.pdb"), y = temp_path("second.pdb");
    Scratch bad("bad_line.pdb", "ATOM      1  CA  MET A   1      51.653 -89.3\n" +
                                    read_file(data_file("ubiquitin_1ubq_first12_ca.pdb")));
    const std::pair<std::string, const std::string *> cases[] = {
        {"-min -v @", &zero},  // -v is the value, not verbose
        {"-min x @", &zero},
        {"@ -min ' +0junk'", &zero},
        {"-min 18446744073709551615 @", &none},
        {"-min -99999999999999999999 @", &zero},
        {"-min 0 -min 1000 @", &none},
        {"-min 1000 @ -min 0", &zero},
        {"-min 0 -f -a @", &every},
        {"-min 0 -a @ -f", &fifths},
        {"-1 -min 0 -2 @", &zero},
        {"-2 -min 0 @ -1 -1", &zero},
        {"-1 -2 @", &none},
        {"-min 0 -pdb " + quote(x) + " @ -pdb " + quote(y), &zero},
        // A warning goes to standard error only.
        {"-min 0 " + quote(bad.path) + " " + XRAY + " 2>/dev/null", &zero},
    };
    for (const auto &c : cases) EXPECT_EQ(out(c.first), *c.second) << c.first;
    EXPECT_FALSE(std::ifstream(x).good());
    // The later -pdb wins: 12 atoms of each file, each block closed by "END ".
    const std::string coordinates = read_file(y);
    EXPECT_EQ(count_lines(lines_starting(coordinates, "ATOM ")), 24u);
    EXPECT_EQ(lines_starting(coordinates, "END"), "END \nEND \n");
    std::remove(y.c_str());
}

// -pdb naming an input, however spelled (./, a hard or symbolic link), is
// refused before anything is read or written; the inputs stay as they were.
TEST(CommandLine, CoordinateFileNeverReplacesAnInput) {
    const std::string dir = temp_path("inputs");
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string a = dir + "/a.pdb", b = dir + "/b.pdb", hard = dir + "/hard.pdb",
                      soft = dir + "/soft.pdb";
    const std::string text_a = read_file(data_file("ubiquitin_1ubq_first12_ca.pdb"));
    const std::string text_b = read_file(data_file("ubiquitin_1ubq_xray.pdb"));
    write_file(a, text_a);
    write_file(b, text_b);
    ASSERT_EQ(link(b.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(a.c_str(), soft.c_str()), 0);
    const std::string err = temp_path("same_err.txt");
    for (const std::string &target : {b, dir + "/./b.pdb", hard, a, soft}) {
        RunResult r = run_pairfit("-min 0 " + quote(a) + " " + quote(b) + " -pdb " + quote(target) + " 2>" +
                                  quote(err));
        const std::string input = target == a || target == soft ? a : b;
        EXPECT_EQ(r.out + std::to_string(r.status), "1") << target;
        EXPECT_EQ(read_file(err),
                  "pairfit: the -pdb file " + target + " is the input file " + input + "; nothing written\n");
    }
    // The report files likewise, and an input named with a selection.
    for (const char *option : {"-html", "-sup"}) {
        RunResult r = run_pairfit(quote(a + "@/1") + " " + quote(b) + " " + option + " " + quote(a) + " 2>" +
                                  quote(err));
        EXPECT_EQ(r.out + std::to_string(r.status), "1") << option;
        EXPECT_EQ(read_file(err), std::string("pairfit: the ") + option + " file " + a +
                                      " is the input file " + a + "; nothing written\n");
    }
    EXPECT_EQ(read_file(a), text_a);
    EXPECT_EQ(read_file(b), text_b);
    // A new file, and an existing one replaced whole.
    const std::string out = dir + "/out.pdb";
    write_file(out, "old\n");
    EXPECT_EQ(run_pairfit("-min 0 " + quote(a) + " " + quote(b) + " -pdb " + quote(out)).out, ALL_12);
    EXPECT_EQ(count_lines(lines_starting(read_file(out), "ATOM ")), 24u);
    for (const std::string &f : {a, b, hard, soft, out, err}) std::remove(f.c_str());
    EXPECT_EQ(rmdir(dir.c_str()), 0) << "a temporary file was left behind";
}

// Standard output that cannot be written: status 1 and a message.
TEST(CommandLine, FullStandardOutput) {
    const std::string err = temp_path("full_err.txt");
    RunResult r = run_shell(quote(PAIRFIT_BINARY) + " " + FIRST12 + " >/dev/full 2>" + quote(err));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(err), "pairfit: error writing standard output\n");
    std::remove(err.c_str());
}
