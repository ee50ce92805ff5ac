// pairfit-batch: its rows against pairfit's own on real structures, and the
// row order when threads finish rows out of order and share few slots.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "pairfit-batch/pair_list.h"
#include "pairfit-batch/progress.h"
#include "pairfit-batch/row_output.h"
#include "test_util.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string quoted(const std::vector<std::string> &names) {
    std::string s;
    for (const std::string &name : names) s += " " + quote(name);
    return s;
}

// The header, then a row a pair as pairfit gives it: its SCORE values, or
// the message it prints for a file it cannot read.
std::string pairfit_rows(const std::string &min, const Pairs &pairs) {
    std::string rows = BATCH_HEADER;
    for (const auto &p : pairs) {
        std::string out = run_pairfit(min + " " + quote(p.first) + " " + quote(p.second)).out;
        rows += p.first + "\t" + p.second + "\t" + out.substr(out.compare(0, 7, "SCORE:\t") == 0 ? 7 : 0);
    }
    return rows;
}

// What pairfit writes on standard error for the pairs, one after the other.
std::string pairfit_warnings(const Pairs &pairs) {
    std::string err;
    for (const auto &p : pairs)
        err += run_pairfit(quote(p.first) + " " + quote(p.second) + " 2>&1 >/dev/null").out;
    return err;
}

// Two ubiquitin NMR models, its X-ray structure, capsid (against ubiquitin
// no subset is accepted), a missing file and one beyond the atom capacity.
std::vector<std::string> mixed_files() {
    return {data_file("ubiquitin_1d3z_model1.pdb"),
            data_file("ubiquitin_1d3z_model2.pdb"),
            data_file("ubiquitin_1ubq_xray.pdb"),
            data_file("capsid_1a8o_hetatm_mse.pdb"),
            temp_path("missing.pdb"),
            data_file("overcap_ubiquitin_2k39_ca.pdb.gz")};
}

}  // namespace

// The binary always has many slots; here three threads share three.
TEST(BatchRowOutput, RowsFinishedOutOfOrderGoOutInListOrder) {
    std::vector<std::string> names = {"ref"};
    std::string expected;
    for (int i = 0; i < 200; ++i) names.push_back("m" + std::to_string(i));
    for (int i = 0; i < 200; ++i) expected += "ref\tm" + std::to_string(i) + "\t" + std::to_string(i) + "\n";
    pair_list list;
    make_pairs_against_first(&list, names);
    Scratch file("rows.txt", "");
    FILE *out = std::fopen(file.path.c_str(), "w");
    row_output rows;
    start_rows(&rows, out, &list, 0, 200, 3, nullptr);
    std::atomic<size_t> next(0);
    auto work = [&] {
        for (size_t row = next++; row < 200; row = next++) {
            if (row % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
            row_slot *slot = wait_for_slot(&rows, row);
            std::snprintf(slot->values, sizeof slot->values, "%zu", row);
            finish_row(&rows, row);
        }
    };
    std::thread a(work), b(work);
    work(), a.join(), b.join(), std::fclose(out);
    EXPECT_EQ(read_file(file.path), expected);
}

TEST(Batch, RowsEqualPairfitsWhateverTheThreadCount) {
    const std::vector<std::string> all = mixed_files();
    const std::string &ubq1 = all[0], &ubq2 = all[1], &xray = all[2], &missing = all[4];
    const std::string cyt = data_file("cytc_horse_2pcb_B.pdb"), dir = PAIRFIT_DATA_DIR;
    const std::vector<std::string> cyts = {data_file("cytc_horse_1m60_nmr.pdb"),
                                           data_file("cytc_yeast_1cih_negnum.pdb"),
                                           data_file("cytc_yeast_1u74_D_from1.pdb"), cyt};
    Pairs all_pairs, cyt_pairs;
    for (const std::string &a : all)
        for (const std::string &b : all)
            if (a != b) all_pairs.push_back({a, b});
    for (const std::string &m : cyts) cyt_pairs.push_back({cyt, m});
    Scratch list("models.txt", "\n" + ubq1 + "\n\n  " + missing + "\r\n" + dir + "\n\n" + ubq2 + "\n");
    Scratch pairs("pairs.txt",
                  ubq2 + "\t" + xray + "\n\n" + ubq1 + " " + ubq2 + "\n" + ubq2 + "  " + xray + "\n");
    const std::string no_file = "Couldn't open file " + missing + "\n";
    struct Case {
        std::string min, args;
        Pairs pairs;
        int status;
        std::string err;
    } cases[] = {
        {"", "--all" + quoted(all), all_pairs, 1,
         no_file + "Too many C-alpha atoms in file " + all[5] +
             " (at most 5000)\npairfit-batch: 18 of 30 pairs failed\n"},
        // Changes the third row; the homologs paired by number warn as pairfit does.
        {"-min 100", quote(cyt) + quoted(cyts), cyt_pairs, 0, pairfit_warnings(cyt_pairs)},
        {"",
         quote(xray) + " --list " + quote(list.path),
         {{xray, ubq1}, {xray, missing}, {xray, dir}, {xray, ubq2}},
         1,
         no_file + "Error reading file " + dir + "\npairfit-batch: 2 of 4 pairs failed\n"},
        {"", "--pairs " + quote(pairs.path), {{ubq2, xray}, {ubq1, ubq2}, {ubq2, xray}}, 0, ""},
    };
    for (const Case &c : cases) {
        const std::string expected = pairfit_rows(c.min, c.pairs);
        for (const std::string j : {"-j 1 ", "-j 3 "}) {
            Outcome r = batch_run(j + c.min + " " + c.args);
            EXPECT_EQ(std::tie(r.out, r.err, r.status), std::tie(expected, c.err, c.status)) << j << c.args;
        }
    }
}

// 30 pairs: four shards, and forty, most of them empty. Each shard's output starts with the header.
TEST(Batch, ShardsInOrderMakeTheWholeRun) {
    const std::string args = " --all" + quoted(mixed_files()), header = BATCH_HEADER;
    const std::string whole = batch_run("-j 2" + args).out;
    for (int n : {4, 40}) {
        std::string merged = header;
        for (int k = 1; k <= n; ++k)
            merged += batch_run("--shard " + std::to_string(k) + "/" + std::to_string(n) + args)
                          .out.substr(header.size());
        EXPECT_EQ(merged, whole) << n;
    }
}

// Wrong command lines, names with a tab or a line end (they would break
// the rows) and empty pair lists: status 2, no output.
TEST(Batch, WrongCommandLinesGiveStatus2AndNoOutput) {
    const std::string a = quoted({data_file("ubiquitin_1d3z_model1.pdb")});
    const std::string ab = a + quoted({data_file("ubiquitin_1d3z_model2.pdb")});
    const std::string none = quote(temp_path("none.txt"));
    Scratch tabbed("tabbed.txt", a + "\nmodel\twith tab.pdb\n"), empty("empty.txt", "\n\n");
    for (const std::string &args :
         {std::string(), a, "--all" + a, ab + " -x", "-j 0" + ab, "-j two" + ab, "--shard 3/2" + ab,
          "--shard 0/2" + ab, "--shard 1" + ab, ab + " -min", "--pairs" + ab, ab + " --list " + none,
          "--pairs " + none, a + " $'a\\nb.pdb'", "--all " + a + " $'a\\tb'",
          a + " --list " + quote(tabbed.path), "--pairs " + quote(empty.path),
          a + " --list " + quote(empty.path)}) {
        const Outcome r = batch_run(args);
        EXPECT_EQ(std::tie(r.status, r.out), std::make_tuple(2, std::string())) << args;
        EXPECT_EQ(r.err.rfind("pairfit-batch: ", 0), 0u) << args << r.err;
    }
}

namespace {

size_t line_count(const std::string &text) {
    return std::count(text.begin(), text.end(), '\n');
}

}  // namespace

TEST(Batch, RowCountsAndFailures) {
    const std::vector<std::string> all = mixed_files();
    const std::string ubq1 = all[0], ubq2 = all[1];
    Scratch three("three.txt", ubq1 + " " + ubq2 + " " + ubq1 + "\n");
    // 30 pairs in four shards: 7, 8, 7, 8 rows.
    Outcome r = batch_run("--shard 1/4 --all" + quoted(all));
    EXPECT_EQ(line_count(r.out), 1u + 7u);
    // A name given twice counts once.
    r = batch_run("--all" + quoted({ubq1, ubq2, ubq1}));
    EXPECT_EQ(std::tie(r.out, r.status), std::make_tuple(pairfit_rows("", {{ubq1, ubq2}, {ubq2, ubq1}}), 0));
    r = batch_run("--pairs " + quote(three.path));
    EXPECT_EQ(
        std::tie(r.out, r.err, r.status),
        std::make_tuple(std::string(),
                        "pairfit-batch: " + three.path + ", line 1: expected 2 file names, found 3\n", 2));
}

// After a failed write (here a file size limit) the run stops: the files of
// later pairs are never read, so the missing one is not reported.
TEST(Batch, StopsAtTheFirstFailedWrite) {
    const std::string ubq1 = data_file("ubiquitin_1d3z_model1.pdb"), missing = temp_path("missing.pdb");
    std::string list;
    for (int i = 0; i < 40; ++i)
        list += data_file(i % 2 ? "ubiquitin_1d3z_model2.pdb" : "ubiquitin_1ubq_xray.pdb") + "\n";
    Scratch models("models.txt", list + missing + "\n"), out("limited.tsv", "");
    struct rlimit old_limit, small;
    getrlimit(RLIMIT_FSIZE, &old_limit);
    small = old_limit;
    small.rlim_cur = 1024;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    Outcome r = batch_run("-j 1 " + quote(ubq1) + " --list " + quote(models.path) + " >" + quote(out.path));
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(std::tie(r.err, r.status),
              std::make_tuple(std::string("pairfit-batch: error writing standard output\n"), 1));
    r = batch_run(quote(ubq1) + " --list " + quote(models.path) + " >/dev/full");
    EXPECT_EQ(std::tie(r.err, r.status),
              std::make_tuple(std::string("pairfit-batch: error writing standard output\n"), 1));
}

TEST(BatchProgress, TimeLeft) {
    char text[160];
    const struct {
        size_t done, total;
        double seconds;
        const char *line;
    } cases[] = {
        {0, 90, 1.0, "0/90 pairs"},
        {30, 90, 10.0, "30/90 pairs, 3.0 pairs/s, 0:20 left"},
        {1, 7201, 1.0, "1/7201 pairs, 1.0 pairs/s, 2:00:00 left"},
        {90, 90, 30.0, "90/90 pairs, 3.0 pairs/s, done in 0:30"},
    };
    for (const auto &c : cases) {
        format_progress(text, sizeof text, c.done, c.total, c.seconds);
        EXPECT_STREQ(text, c.line);
    }
}

// A run cut off where a kill leaves it (after whole rows, or within a row)
// and resumed gives the file of an uninterrupted run, byte for byte, with
// its exit status and count of failed rows; so does resuming a finished run,
// which adds nothing.
TEST(BatchResume, CutOffAndResumedRunEqualsOneRun) {
    std::vector<std::string> models = split_ubiquitin_models(temp_path("resume_models"));
    models.resize(3);
    models.push_back(temp_path("missing.pdb"));
    const std::string args = "--all" + quoted(models);
    const Outcome whole = batch_run("-j 2 " + args);
    const std::string failed = "pairfit-batch: 6 of 12 pairs failed\n";
    ASSERT_EQ(whole.status, 1);
    ASSERT_EQ(whole.err.substr(whole.err.size() - std::min(whole.err.size(), failed.size())), failed);
    const std::string part = temp_path("resumed.tsv");
    const size_t header = whole.out.find('\n') + 1, row4 = whole.out.find('\n', header + 200) + 1;
    for (size_t cut : {size_t(0), header, row4, row4 + 30, whole.out.size() - 1, whole.out.size()}) {
        write_file(part, whole.out.substr(0, cut));
        Outcome again = batch_run("--resume " + quote(part) + " " + args);
        EXPECT_EQ(read_file(part), whole.out) << cut;
        EXPECT_EQ(again.status, 1) << cut;
        EXPECT_EQ(again.err.substr(again.err.size() - std::min(again.err.size(), failed.size())), failed)
            << cut;
        EXPECT_EQ(again.out, "") << cut;
    }
    Outcome again = batch_run("--resume " + quote(part) + " " + args);
    EXPECT_EQ(std::tie(again.err, again.status), std::make_tuple(failed, 1));
    // A file of another run is refused and left as it is.
    write_file(part, whole.out.substr(0, header) + models[1] + "\t" + models[0] + "\t76\n");
    again = batch_run("--resume " + quote(part) + " " + args);
    EXPECT_EQ(std::tie(again.err, again.status),
              std::make_tuple("pairfit-batch: " + part +
                                  ", line 2: not the row of the pair list's pair 1; the file "
                                  "does not belong to this command line\n",
                              2));
    write_file(part, "not a header\n");
    again = batch_run("--resume " + quote(part) + " " + args);
    EXPECT_EQ(
        std::tie(again.err, again.status),
        std::make_tuple(
            "pairfit-batch: " + part + ": the first line is not the header of pairfit-batch's rows\n", 2));
    EXPECT_EQ(read_file(part), "not a header\n");
    std::remove(part.c_str());
}
