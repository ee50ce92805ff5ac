// pairfit-batch: the pair list and its shards, the ordered output, and the
// binary against pairfit on real structures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_options.h"
#include "batch/pair_list.h"
#include "batch/progress.h"
#include "batch/row_output.h"
#include "test_util.h"

namespace {

const std::string kHeader = BATCH_HEADER;

struct BatchResult {
  std::string out, err;
  int status;
};

BatchResult run_batch(const std::string &args) {
  const std::string err_path = temp_path("batch_stderr.txt");
  std::string cmd = std::string("'") + PAIRFIT_BATCH_BINARY + "' " + args + " 2>'" + err_path + "'";
  BatchResult r{"", "", -1};
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = (st != -1 && WIFEXITED(st)) ? WEXITSTATUS(st) : -1;
  r.err = read_file(err_path);
  std::remove(err_path.c_str());
  return r;
}

std::string q(const std::string &s) { return "'" + s + "'"; }

std::string joined(const std::vector<std::string> &names) {
  std::string s;
  for (const std::string &name : names) s += q(name) + " ";
  return s;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The row that pairfit's own output gives for file1 against file2: its SCORE
// values, or the message it prints when a file cannot be read.
std::string pairfit_row(const std::string &args, const std::string &file1,
                        const std::string &file2) {
  RunResult r = run_pairfit(args + " " + q(file1) + " " + q(file2));
  std::string out = r.out;
  if (out.compare(0, 7, "SCORE:\t") == 0) out.erase(0, 7);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return file1 + "\t" + file2 + "\t" + out;
}

// Ubiquitin: two NMR models and the X-ray structure; capsid, whose residue
// numbers barely meet ubiquitin's, so that no subset is accepted; a missing
// file and one beyond the atom capacity.
std::vector<std::string> mixed_files() {
  return {data_file("ubiquitin_1d3z_model1.pdb"),    data_file("ubiquitin_1d3z_model2.pdb"),
          data_file("ubiquitin_1ubq_xray.pdb"),      data_file("capsid_1a8o_hetatm_mse.pdb"),
          temp_path("missing.pdb"),                  data_file("overcap_ubiquitin_2k39_ca.pdb.gz")};
}

std::vector<std::pair<int, int>> all_rows(const pair_list &list) {
  std::vector<std::pair<int, int>> rows;
  for (size_t r = 0; r < pair_count(list); ++r) {
    file_pair p = pair_at(list, r);
    rows.push_back({p.file1, p.file2});
  }
  return rows;
}

}  // namespace

TEST(BatchPairList, OrderOfPairsInEachMode) {
  pair_list list;
  make_pairs_against_first(&list, {"ref", "a", "b", "ref"});
  EXPECT_EQ(all_rows(list), (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {0, 0}}));

  // Every ordered pair of different files, by file 1, then file 2; a name
  // given twice counts once.
  make_all_pairs(&list, {"a", "b", "c", "b", "d"});
  ASSERT_EQ(list.files, (std::vector<std::string>{"a", "b", "c", "d"}));
  std::vector<std::pair<int, int>> expected;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (i != j) expected.push_back({i, j});
  EXPECT_EQ(all_rows(list), expected);

  make_listed_pairs(&list, {"x", "y", "y", "x", "x", "y"});
  EXPECT_EQ(list.files, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(all_rows(list), (std::vector<std::pair<int, int>>{{0, 1}, {1, 0}, {0, 1}}));
}

TEST(BatchPairList, ShardsAreConsecutiveSlicesOfNearlyEqualSize) {
  for (size_t total : {0u, 1u, 7u, 30u, 1000003u})
    for (int n : {1, 2, 3, 7, 40}) {
      size_t expected_first = 0;
      for (int k = 1; k <= n; ++k) {
        size_t first, end;
        shard_range(total, k, n, &first, &end);
        EXPECT_EQ(first, expected_first) << total << " " << k << "/" << n;
        EXPECT_LE(end - first, total / n + 1);
        EXPECT_GE(end - first, total / n);
        expected_first = end;
      }
      EXPECT_EQ(expected_first, total) << total << " " << n;
    }
}

TEST(BatchPairList, NameFiles) {
  const std::string path = temp_path("names.txt");
  std::vector<std::string> names;
  std::string error;
  write_file(path, "\n  a.pdb  \r\n\n\t\nb c.pdb\nd.pdb");
  ASSERT_TRUE(read_name_file(path.c_str(), 1, &names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"a.pdb", "b c.pdb", "d.pdb"}));

  names.clear();
  write_file(path, "a.pdb b.pdb\n\n c.pdb\td.pdb\r\n");
  ASSERT_TRUE(read_name_file(path.c_str(), 2, &names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"a.pdb", "b.pdb", "c.pdb", "d.pdb"}));

  write_file(path, "a.pdb b.pdb\nc.pdb\n");
  EXPECT_FALSE(read_name_file(path.c_str(), 2, &names, &error));
  EXPECT_EQ(error, path + ", line 2: expected 2 file names, found 1");
  std::remove(path.c_str());
  EXPECT_FALSE(read_name_file(path.c_str(), 1, &names, &error));
  EXPECT_EQ(error, "Couldn't open file " + path);
}

TEST(BatchRowOutput, RowsGoOutInOrderAsSoonAsTheirPredecessorsAreDone) {
  pair_list list;
  make_pairs_against_first(&list, {"ref", "a", "b", "c", "d"});
  char *text = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&text, &size);
  row_output rows;
  start_rows(&rows, out, &list, 1, 4, 2, nullptr);  // rows 1..3 of a shard, two slots
  auto finish = [&](size_t row, const char *values, const char *error) {
    row_slot *slot = wait_for_slot(&rows, row);
    std::snprintf(slot->values, sizeof slot->values, "%s", values);
    slot->error = error;
    finish_row(&rows, row);
    return std::string(text, size);
  };
  EXPECT_EQ(finish(2, "v2", nullptr), "");
  EXPECT_EQ(finish(1, "v1", nullptr), "ref\tb\tv1\nref\tc\tv2\n");
  EXPECT_EQ(finish(3, "", "Couldn't open file d"),
            "ref\tb\tv1\nref\tc\tv2\nref\td\tCouldn't open file d\n");
  EXPECT_EQ(rows.failed, 1u);
  EXPECT_FALSE(rows.write_failed);
  std::fclose(out);
  std::free(text);
}

// Threads that finish rows out of order and have to wait for a free slot.
TEST(BatchRowOutput, ThreadsSharingFewSlotsKeepTheOrder) {
  pair_list list;
  std::vector<std::string> names = {"ref"};
  for (int i = 0; i < 200; ++i) names.push_back("m" + std::to_string(i));
  make_pairs_against_first(&list, names);
  char *text = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&text, &size);
  row_output rows;
  start_rows(&rows, out, &list, 0, 200, 3, nullptr);
  std::atomic<size_t> next(0);
  auto work = [&] {
    for (size_t row = next++; row < 200; row = next++) {
      if (row % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
      row_slot *slot = wait_for_slot(&rows, row);
      std::snprintf(slot->values, sizeof slot->values, "%zu", row);
      slot->error = nullptr;
      finish_row(&rows, row);
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
  std::fclose(out);
  std::string expected;
  for (int i = 0; i < 200; ++i)
    expected += "ref\tm" + std::to_string(i) + "\t" + std::to_string(i) + "\n";
  EXPECT_EQ(std::string(text, size), expected);
  std::free(text);
}

TEST(BatchProgress, CountRateAndTimeLeft) {
  char text[160];
  format_progress(text, sizeof text, 0, 90, 0.0);
  EXPECT_STREQ(text, "0/90 pairs");
  format_progress(text, sizeof text, 30, 90, 10.0);
  EXPECT_STREQ(text, "30/90 pairs, 3.0 pairs/s, 0:20 left");
  format_progress(text, sizeof text, 1, 7202, 1.0);
  EXPECT_STREQ(text, "1/7202 pairs, 1.0 pairs/s, 2:00:01 left");
  format_progress(text, sizeof text, 90, 90, 61.0);
  EXPECT_STREQ(text, "90/90 pairs, 1.5 pairs/s, done in 1:01");
}

TEST(BatchCommandLine, WrongCommandLinesGiveUsageAndStatus2) {
  const std::string a = q(data_file("ubiquitin_1d3z_model1.pdb"));
  const std::string b = q(data_file("ubiquitin_1d3z_model2.pdb"));
  const std::string ab = a + " " + b;
  const std::string cases[] = {
      "",
      a,                     // a reference without models
      "--all " + a,          // one file for all against all
      ab + " -x",            // unknown option
      "-j 0 " + ab,
      "-j two " + ab,
      "--shard 3/2 " + ab,
      "--shard 0/2 " + ab,
      "--shard 1 " + ab,
      ab + " -min",          // option without its value
      "--pairs " + ab,       // --pairs with file names
  };
  for (const std::string &args : cases) {
    BatchResult r = run_batch(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("Usage: pairfit-batch"), std::string::npos) << args;
  }
  // A --list or --pairs file that cannot be read stops the run before it starts.
  const std::string no_list = temp_path("no_such_list.txt");
  for (const std::string &args : {a + " --list " + q(no_list), "--pairs " + q(no_list)}) {
    BatchResult r = run_batch(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(r.err, "pairfit-batch: Couldn't open file " + no_list + "\n") << args;
  }
  BatchResult help = run_batch("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.compare(0, 20, "Usage: pairfit-batch"), 0);
}

// Every row equals what pairfit gives for the same pair: the SCORE values, or
// the message of the first file that cannot be read.
TEST(Batch, AllPairsMatchPairfitRowForRow) {
  const std::vector<std::string> files = mixed_files();
  BatchResult r = run_batch("-j 2 --all " + joined(files));
  std::vector<std::string> expected = {kHeader.substr(0, kHeader.size() - 1)};
  for (const std::string &f1 : files)
    for (const std::string &f2 : files)
      if (f1 != f2) expected.push_back(pairfit_row("", f1, f2));
  EXPECT_EQ(lines_of(r.out), expected);
  EXPECT_EQ(r.status, 1);
  // Each unreadable file is reported once, then the count of failed pairs.
  EXPECT_EQ(r.err, "Couldn't open file " + files[4] + "\nToo many C-alpha atoms in file " +
                       files[5] + " (at most 5000)\npairfit-batch: 18 of 30 pairs failed\n");
}

TEST(Batch, ReferenceModeWithMinimumSize) {
  const std::string ref = data_file("cytc_horse_2pcb_B.pdb");
  const std::vector<std::string> models = {data_file("cytc_horse_1m60_nmr.pdb"),
                                           data_file("cytc_yeast_1cih_negnum.pdb"),
                                           data_file("cytc_yeast_1u74_D_from1.pdb"), ref};
  for (const char *min : {"", "-min 100"}) {
    BatchResult r = run_batch(std::string(min) + " " + q(ref) + " " + joined(models));
    std::string expected = kHeader;
    for (const std::string &model : models) expected += pairfit_row(min, ref, model) + "\n";
    EXPECT_EQ(r.out, expected) << min;
    EXPECT_EQ(r.status, 0) << min;
    EXPECT_EQ(r.err, "") << min;
  }
}

TEST(Batch, ThreadCountDoesNotChangeTheOutput) {
  std::vector<std::string> files = mixed_files();
  files.push_back(data_file("cytc_horse_2pcb_B.pdb"));
  files.push_back(data_file("cytc_horse_1m60_nmr.pdb"));
  const std::string args = "--all " + joined(files);
  BatchResult one = run_batch("-j 1 " + args);
  ASSERT_EQ(lines_of(one.out).size(), 1u + 8 * 7);
  for (const char *j : {"-j 2", "-j 5"}) {
    BatchResult many = run_batch(std::string(j) + " " + args);
    EXPECT_EQ(many.out, one.out) << j;
    EXPECT_EQ(many.err, one.err) << j;
    EXPECT_EQ(many.status, one.status) << j;
  }
}

TEST(Batch, ShardsInOrderMakeTheWholeRun) {
  const std::string args = "-j 2 --all " + joined(mixed_files());
  const BatchResult whole = run_batch(args);
  for (int n : {3, 7, 40}) {
    std::string merged = kHeader;
    for (int k = 1; k <= n; ++k) {
      BatchResult part = run_batch("--shard " + std::to_string(k) + "/" + std::to_string(n) +
                                   " " + args);
      ASSERT_EQ(part.out.compare(0, kHeader.size(), kHeader), 0) << k << "/" << n;
      merged += part.out.substr(kHeader.size());
    }
    EXPECT_EQ(merged, whole.out) << n;
  }
}

TEST(Batch, ListAndPairsFiles) {
  const std::string ref = data_file("ubiquitin_1ubq_xray.pdb");
  const std::string m1 = data_file("ubiquitin_1d3z_model1.pdb");
  const std::string m2 = data_file("ubiquitin_1d3z_model2.pdb");
  const std::string missing = temp_path("missing.pdb");
  const std::string dir = PAIRFIT_DATA_DIR;
  const std::string list = temp_path("models.txt");
  write_file(list, "\n" + m1 + "\n\n  " + missing + "\r\n" + dir + "\n\n" + m2 + "\n");
  BatchResult r = run_batch(q(ref) + " --list " + q(list));
  EXPECT_EQ(r.out, kHeader + pairfit_row("", ref, m1) + "\n" + pairfit_row("", ref, missing) +
                       "\n" + pairfit_row("", ref, dir) + "\n" + pairfit_row("", ref, m2) + "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Couldn't open file " + missing + "\nError reading file " + dir +
                       "\npairfit-batch: 2 of 4 pairs failed\n");

  const std::string pairs = temp_path("pairs.txt");
  write_file(pairs, m2 + "\t" + ref + "\n\n" + m1 + " " + m2 + "\n" + m2 + "  " + ref + "\n");
  r = run_batch("-j 2 --pairs " + q(pairs));
  EXPECT_EQ(r.out, kHeader + pairfit_row("", m2, ref) + "\n" + pairfit_row("", m1, m2) + "\n" +
                       pairfit_row("", m2, ref) + "\n");
  EXPECT_EQ(r.status, 0);
  std::remove(list.c_str());
  std::remove(pairs.c_str());
}
