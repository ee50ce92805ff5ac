// Help, version and the spellings of the options both programs share.
#include <string>

#include "pairfit/version.h"
#include "test_util.h"

namespace {

const std::string FIRST12 =
    quote(data_file("ubiquitin_1ubq_first12_ca.pdb")) + " " + quote(data_file("ubiquitin_1ubq_xray.pdb"));

}  // namespace

TEST(Help, FullUsageOnStandardOutputAndVersion) {
    const RunResult help = run_pairfit("-h 2>/dev/null"), long_help = run_pairfit(FIRST12 + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(long_help.status, 0);
    EXPECT_EQ(help.out, long_help.out);
    EXPECT_EQ(help.out.rfind("Usage: pairfit [options] file1 file2\n", 0), 0u) << help.out;
    for (const char *option :
         {"-min n", "[19]", "-seq", "-o ", "-b ", "-pdb FILE", "-html FILE", "--html FILE", "-sup FILE",
          "-a ", "-f ", "-v ", "-1, -2", "-fast", "-j N", "[1]", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run_pairfit("--version").out, std::string("pairfit ") + PAIRFIT_VERSION + "\n");
    EXPECT_EQ(batch_run("--version").out, std::string("pairfit-batch ") + PAIRFIT_VERSION + "\n");
    // A value is never an option: -min takes -h as its value.
    EXPECT_EQ(run_pairfit("-min -h").out, "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n");
}

TEST(Help, WrongCommandLineKeepsTheUsageLineAndPointsToHelpOnStandardError) {
    const std::string usage = "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n";
    for (const std::string &args : std::vector<std::string>{"", "--htm " + FIRST12, "---html x " + FIRST12,
                                                            "--pdb x " + FIRST12, "-H " + FIRST12}) {
        RunResult out = run_pairfit(args + " 2>/dev/null"), err = run_pairfit(args + " 2>&1 >/dev/null");
        EXPECT_EQ(out.out + std::to_string(out.status), usage + "1") << args;
        EXPECT_EQ(err.out, "Try 'pairfit -h' for a list of every option.\n") << args;
    }
}

TEST(Help, SharedOptionsTakeOneDashOrTwoInBothPrograms) {
    const std::string page1 = temp_path("one.html"), page2 = temp_path("two.html");
    const RunResult one = run_pairfit("-min 0 -seq -fast -j 2 -html " + quote(page1) + " " + FIRST12);
    const RunResult two = run_pairfit("--min 0 --seq --fast --j 2 --html " + quote(page2) + " " + FIRST12);
    EXPECT_EQ(one.out, "SCORE:\t76\t12\t0.0\t240.0\t1.486056e-01\t1.809706e+01\n");
    EXPECT_EQ(two.out, one.out);
    EXPECT_NE(read_file(page2).find("<html"), std::string::npos);
    const Outcome rows1 = batch_run("-min 0 -seq -fast -j 1 -html " + quote(page1) + " " + FIRST12);
    const Outcome rows2 = batch_run("--min 0 --seq --fast --j 1 --html " + quote(page2) + " " + FIRST12);
    EXPECT_EQ(rows1.status, 0);
    EXPECT_EQ(rows2.out, rows1.out);
    EXPECT_NE(rows1.out.find("\t76\t12\t0.0\t240.0\t1.486056e-01\t1.809706e+01\n"), std::string::npos)
        << rows1.out;
    EXPECT_NE(read_file(page2).find("<html"), std::string::npos);
    std::remove(page1.c_str());
    std::remove(page2.c_str());
}
