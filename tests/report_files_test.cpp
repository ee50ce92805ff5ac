// pairfit -html and -sup and pairfit-batch --html from the command line:
// what they leave standard output and the other files, and what a path
// that cannot be written gives.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

std::string example_pair() {
    return quote(example_file("demo_ldh_6ldh_A.pdb")) + " " + quote(example_file("demo_ldh_1ldm_A.pdb"));
}

// A scratch directory, removed with its files at the end of its scope.
struct ScratchDir {
    std::string path;
    explicit ScratchDir(const std::string &name) : path(temp_path(name)) { mkdir(path.c_str(), 0755); }
    ~ScratchDir() { run_shell("rm -rf " + quote(path)); }
};

TEST(ReportFiles, NewOutputsLeaveStandardOutputAndCoordinateFileAlone) {
    // -html turns on the per-size scores that -b prints: with and without -b.
    for (std::string reports : {"-o -a", "-o -b"}) {
        ScratchDir dir("report_same");
        Outcome plain =
            pairfit_run(reports + " -pdb " + quote(dir.path + "/plain.pdb") + " " + example_pair());
        Outcome with = pairfit_run("-html " + quote(dir.path + "/page.html") + " " + reports + " -pdb " +
                                   quote(dir.path + "/with.pdb") + " -sup " + quote(dir.path + "/sup.cif") +
                                   " " + example_pair());
        EXPECT_EQ(plain.status, 0);
        EXPECT_EQ(with.status, 0);
        EXPECT_EQ(with.out, plain.out) << reports;
        EXPECT_EQ(with.err, "");
        EXPECT_EQ(read_file(dir.path + "/with.pdb"), read_file(dir.path + "/plain.pdb")) << reports;
        std::string page = read_file(dir.path + "/page.html");
        EXPECT_EQ(page.compare(0, 15, "<!DOCTYPE html>"), 0);
        EXPECT_LT(page.size(), 3u << 20);
        EXPECT_EQ(entries_of(dir.path),
                  (std::vector<std::string>{"page.html", "plain.pdb", "sup.cif", "with.pdb"}));
    }
}

TEST(ReportFiles, UnwritablePathsGiveMessageStatus1AndNoFile) {
    ScratchDir dir("report_bad");
    std::string in_way = dir.path + "/in_the_way.html";
    ASSERT_EQ(mkdir(in_way.c_str(), 0755), 0);
    std::string score = run_pairfit(example_pair()).out;
    // Each message gives the reason.
    const std::pair<std::string, std::string> paths[] = {
        {dir.path + "/missing/out.html", "No such file or directory"},
        {in_way, "Is a directory"},
        {dir.path + "/missing/out.cif", "No such file or directory"},
        {"/dev/full", "No space left on device"}};
    for (std::string option : {"-html", "-sup"})
        for (const auto &[path, reason] : paths) {
            Outcome r = pairfit_run(option + " " + quote(path) + " " + example_pair());
            EXPECT_EQ(r.status, 1) << option << " " << path;
            EXPECT_EQ(r.err, "Couldn't write file " + path + ": " + reason + "\n") << option;
            EXPECT_EQ(r.out, score) << option;
            EXPECT_EQ(entries_of(dir.path), std::vector<std::string>{"in_the_way.html"})
                << option << " " << path;
            EXPECT_EQ(entries_of(in_way), std::vector<std::string>{});
        }
    // A good -html still gets written when -sup fails, and the reverse.
    Outcome r = pairfit_run("-html " + quote(dir.path + "/ok.html") + " -sup " + quote(in_way) + " " +
                            example_pair());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(entries_of(dir.path), (std::vector<std::string>{"in_the_way.html", "ok.html"}));
}

std::size_t count_of(const std::string &text, const std::string &what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(ReportFiles, BatchHeatMapHasACellForEveryOrderedPair) {
    ScratchDir models("report_models"), out("report_batch");
    std::vector<std::string> files = split_ubiquitin_models(models.path);
    ASSERT_EQ(files.size(), 10u);
    std::string names;
    for (const std::string &f : files) names += " " + quote(f);
    Outcome plain = batch_run("-j 2 --all" + names);
    Outcome with = batch_run("-j 2 --all --html " + quote(out.path + "/all.html") + names);
    EXPECT_EQ(with.status, 0);
    EXPECT_EQ(with.out, plain.out);
    std::string page = read_file(out.path + "/all.html");
    EXPECT_EQ(count_of(page, "<rect class=\"cell"), 100u);
    EXPECT_EQ(count_of(page, "<rect class=\"cell self\""), 10u);
    EXPECT_EQ(count_of(page, "<rect class=\"cell\" "), 90u);
    // One against many: a bar a model.
    Outcome bars = batch_run("--html " + quote(out.path + "/bars.html") + names);
    EXPECT_EQ(bars.status, 0);
    EXPECT_EQ(count_of(read_file(out.path + "/bars.html"), "<rect class=\"bar\""), 9u);
}

TEST(ReportFiles, BatchUnwritablePageGivesMessageAndStatus1) {
    ScratchDir dir("report_batch_bad");
    std::string path = dir.path + "/missing/all.html";
    std::string names =
        quote(data_file("ubiquitin_1d3z_model1.pdb")) + " " + quote(data_file("ubiquitin_1d3z_model2.pdb"));
    Outcome plain = batch_run("--all " + names);
    Outcome r = batch_run("--all --html " + quote(path) + " " + names);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.err, "Couldn't write file " + path + ": No such file or directory\n");
    EXPECT_EQ(entries_of(dir.path), std::vector<std::string>{});
}

}  // namespace
