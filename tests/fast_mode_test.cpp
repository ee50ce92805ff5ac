// The fast mode as users reach it: compare() with search_mode::fast, and
// pairfit -fast / -j and pairfit-batch -fast on real structures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fast/fast_search.h"
#include "pairfit-batch/row_output.h"
#include "test_util.h"

namespace {

pairfit::compare_options fast_options(int threads) {
  pairfit::compare_options o;
  o.mode = pairfit::search_mode::fast;
  o.threads = threads;
  o.per_size_scores = true;
  return o;
}

// Records what the observer hears.
struct heard : pairfit::search_observer {
  std::vector<pairfit::growth_step> best;
  int steps = 0, fits = 0;
  bool wants_fits() const override { return true; }
  void step_scored(const pairfit::growth_step &) override { ++steps; }
  void new_best(const pairfit::growth_step &s) override { best.push_back(s); }
  void fitted(const pairfit::fit_snapshot &) override { ++fits; }
};

TEST(FastCompare, ResultIsTheSearchsSubsetRefittedAndTheSameForAnyThreads) {
  pairfit::structure one = read_atoms(example_file("demo_ldh_6ldh_A.pdb"));
  pairfit::structure two = read_atoms(example_file("demo_ldh_1ldm_A.pdb"));
  pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
  heard events;
  pairfit::compare_options options = fast_options(1);
  options.observer = &events;
  pairfit::result r = pairfit::compare(one, two, pairs, options);
  pairfit::result r2 = pairfit::compare(one, two, pairs, fast_options(2));

  // The search's own values.
  std::vector<pairfit::detail::point> a, b;
  for (size_t k = 0; k < pairs.size(); ++k) {
    const pairfit::ca_atom &p = one.atoms[pairs.first[k]], &q = two.atoms[pairs.second[k]];
    a.push_back({p.x, p.y, p.z});
    b.push_back({q.x, q.y, q.z});
  }
  pairfit::detail::fast_search_options search;
  search.per_size_scores = true;
  pairfit::detail::fast_search_result found = pairfit::detail::fast_search(a, b, search);
  EXPECT_EQ(r.size, found.size);
  EXPECT_EQ(r.rms, found.rms);
  EXPECT_EQ(r.score, found.score);
  EXPECT_EQ(r.pvalue, found.pvalue);
  EXPECT_EQ(r.in_subset, found.in_subset);
  EXPECT_EQ(r.score_by_size, found.score_by_size);
  EXPECT_EQ(r.final_rms, r.rms);  // the refit is the search's fit of that subset
  EXPECT_EQ(r.npairs, static_cast<int>(pairs.size()));

  // One event: the subset chosen.
  ASSERT_EQ(events.best.size(), 1u);
  EXPECT_EQ(events.best[0].size, r.size);
  EXPECT_EQ(events.best[0].pvalue, r.pvalue);
  EXPECT_EQ(events.steps + events.fits, 0);

  // Coordinates, transform and distances agree with each other.
  double sum = 0;
  for (size_t k = 0; k < pairs.size(); ++k) {
    std::array<double, 3> moved = r.transform.apply(b[k]);
    double d2 = 0;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(r.superposed1[k][i], a[k][i] + r.reference_shift[i], 1e-9);
      EXPECT_NEAR(r.superposed2[k][i], moved[i] + r.reference_shift[i], 1e-9);
      d2 += (r.superposed1[k][i] - r.superposed2[k][i]) * (r.superposed1[k][i] - r.superposed2[k][i]);
    }
    EXPECT_NEAR(r.distances[k], std::sqrt(d2), 1e-9);
    if (r.in_subset[k]) sum += d2;
  }
  EXPECT_NEAR(std::sqrt(sum / r.size), r.final_rms, 1e-9);

  EXPECT_EQ(pairfit::score_values(r), pairfit::score_values(r2));
  EXPECT_EQ(r.in_subset, r2.in_subset);
  EXPECT_EQ(r.distances, r2.distances);
  EXPECT_EQ(r.superposed2, r2.superposed2);
}

// A PDB file of `copies` copies of a structure's C-alpha atoms, each moved
// by (dx, dy, dz) times its number and numbered on.
std::string repeated_pdb(const pairfit::structure &s, int copies, double dx, double dy, double dz) {
  std::string text;
  char line[100];
  int serial = 0;
  for (int c = 0; c < copies; ++c)
    for (const pairfit::ca_atom &a : s.atoms) {
      ++serial;
      std::snprintf(line, sizeof line, "ATOM  %5d  CA  %3s A%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n",
                    serial % 100000, a.residue_name.c_str(), serial % 10000, a.x + c * dx, a.y + c * dy,
                    a.z + c * dz);
      text += line;
    }
  return text + "END\n";
}

// More atoms than the default mode takes: 70 copies of ubiquitin model 1 and
// 2 moved apart differently, so that only one copy superposes at a time.
TEST(FastCommandLine, MoreThanFiveThousandAtoms) {
  pairfit::structure one = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
  pairfit::structure two = read_atoms(data_file("ubiquitin_1d3z_model2.pdb"));
  Scratch big1("big1.pdb", repeated_pdb(one, 70, 150, 0, 0)), big2("big2.pdb", repeated_pdb(two, 70, 0, 150, -70));
  RunResult exact = run_pairfit(quote(big1.path) + " " + quote(big2.path));
  EXPECT_EQ(exact.status, 1);
  EXPECT_EQ(exact.out, "Too many C-alpha atoms in file " + big1.path + " (at most 5000)\n");
  RunResult fast = run_pairfit("-fast -j 2 " + quote(big1.path) + " " + quote(big2.path));
  EXPECT_EQ(fast.status, 0);
  RunResult single = run_pairfit("-fast " + data_file("ubiquitin_1d3z_model1.pdb") + " " +
                                 data_file("ubiquitin_1d3z_model2.pdb"));
  // One copy is found, as good as the single pair: the same size, RMS and
  // score as printed (the copies' three decimals in the file move the
  // p-value in its last digits at most).
  auto fields = [](const std::string &line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      f.push_back(line.substr(start, tab - start));
    return f;
  };
  std::vector<std::string> big = fields(fast.out), small = fields(single.out);
  ASSERT_EQ(big.size(), 6u) << fast.out;
  ASSERT_EQ(small.size(), 6u) << single.out;
  EXPECT_EQ(big[1], "5320");
  EXPECT_EQ(big[2], small[2]);  // size
  EXPECT_EQ(big[3], small[3]);  // RMS
  EXPECT_EQ(big[4], small[4]);  // score
}

TEST(FastCommandLine, OutputIsTheLibrarysAndTheSameForAnyThreadCount) {
  const std::string files = data_file("ubiquitin_1ubq_xray.pdb") + " " + data_file("ubiquitin_1d3z_model1.pdb");
  Scratch pdb1("fast1.pdb", ""), pdb2("fast2.pdb", "");
  RunResult one = run_pairfit("-fast -a -o -b -v -pdb " + quote(pdb1.path) + " " + files);
  RunResult two = run_pairfit("-fast -j 2 -a -o -b -v -pdb " + quote(pdb2.path) + " " + files);
  RunResult every = run_pairfit("-fast -j 0 -a -o -b -v " + files);
  ASSERT_EQ(one.status, 0);
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(read_file(pdb1.path), read_file(pdb2.path));
  EXPECT_FALSE(read_file(pdb1.path).empty());
  EXPECT_EQ(every.out, one.out);

  pairfit::structure a = read_atoms(data_file("ubiquitin_1ubq_xray.pdb"));
  pairfit::structure b = read_atoms(data_file("ubiquitin_1d3z_model1.pdb"));
  pairfit::compare_options options = fast_options(1);
  pairfit::result r = pairfit::compare(a, b, pairfit::pair_by_residue_number(a, b), options);
  char good[160];
  std::snprintf(good, sizeof good, "GOOD1:\t%.2f\t%d\t%.1f\t%.1f\t%e\n", static_cast<double>(r.size) / r.npairs,
                r.size, r.rms, r.score, r.pvalue);
  const std::string score = "SCORE:\t" + pairfit::score_values(r) + "\n";
  // -a and -f print one GOOD1 line, for the subset chosen; -v nothing more.
  EXPECT_EQ(one.out.substr(0, std::string(good).size() + score.size()), good + score);
  EXPECT_EQ(one.out.find("FRAC1"), std::string::npos);
}

// With several threads the two files are read at once; what is printed, and
// in what order, stays as when they are read in turn.
TEST(FastCommandLine, ReadingBothFilesAtOnceKeepsTheMessagesAndTheirOrder) {
  const std::string unreadable = "ATOM      1  CA  GLY A   ?      nonsense\n";
  Scratch a("warned1.pdb", unreadable + read_file(data_file("ubiquitin_1d3z_model1.pdb")));
  Scratch b("warned2.pdb", unreadable + read_file(data_file("ubiquitin_1d3z_model2.pdb")));
  const std::string missing1 = temp_path("missing1.pdb"), missing2 = temp_path("missing2.pdb");
  const std::string warning = ", line 1: C-alpha line without a readable residue number and coordinates, skipped\n";
  struct {
    std::string files, starts;
    int status;
  } cases[] = {
      {quote(a.path) + " " + quote(b.path), "Warning: " + a.path + warning + "Warning: " + b.path + warning, 0},
      {quote(a.path) + " " + quote(missing2), "Warning: " + a.path + warning + "Couldn't open file " + missing2, 1},
      {quote(missing1) + " " + quote(b.path), "Couldn't open file " + missing1 + "\n", 1},
      {quote(missing1) + " " + quote(missing2), "Couldn't open file " + missing1 + "\n", 1},
  };
  for (const auto &c : cases) {
    RunResult in_turn = run_shell(quote(PAIRFIT_BINARY) + " -fast -j 1 " + c.files + " 2>&1");
    RunResult at_once = run_shell(quote(PAIRFIT_BINARY) + " -fast -j 2 " + c.files + " 2>&1");
    EXPECT_EQ(in_turn.status, c.status) << c.files;
    EXPECT_EQ(at_once.status, c.status) << c.files;
    EXPECT_EQ(at_once.out, in_turn.out) << c.files;
    EXPECT_EQ(at_once.out.substr(0, c.starts.size()), c.starts) << c.files;
  }
}

// Fewer pairs than structure 1 has atoms: the normalised p-value is over
// structure 1's atoms in both modes, and where both searches choose the
// same subset the whole SCORE lines are the same.
TEST(FastCommandLine, ScoreLineEqualsTheExactModesWithFewerPairsThanAtoms) {
  const struct { const char *first, *second, *start; } cases[] = {
      {"ubiquitin_1d3z_nmr.pdb.gz", "ubiquitin_1ubq_xray.pdb", "SCORE:\t760\t76\t"},
      {"hemoglobin_2hhb_4chains.pdb.gz", "hemoglobin_2hhb_chainA_ca.pdb", "SCORE:\t574\t141\t"}};
  for (const auto &c : cases) {
    const std::string files = quote(data_file(c.first)) + " " + quote(data_file(c.second)) + " 2>/dev/null";
    const RunResult exact = run_pairfit(files), fast = run_pairfit("-fast " + files);
    EXPECT_EQ(fast.out, exact.out);
    EXPECT_EQ(exact.out.find(c.start), 0u) << exact.out;
  }
}

TEST(FastCommandLine, ThreadCountMustBeANumber) {
  const std::string files = data_file("ubiquitin_1d3z_model1.pdb") + " " + data_file("ubiquitin_1d3z_model2.pdb");
  for (const char *bad : {"-j", "-j -1", "-j two", "-j 4097", "-j ''"}) {
    RunResult r = run_shell(quote(PAIRFIT_BINARY) + " -fast " + files + " " + bad + " 2>&1");
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_EQ(r.out, "pairfit: -j needs a number of threads from 0 (every core) to 4096\n") << bad;
  }
}

TEST(FastBatch, RowsArePairfitFastValuesForAnyThreadCount) {
  const std::vector<std::string> files = {data_file("ubiquitin_1d3z_model1.pdb"), data_file("ubiquitin_1d3z_model2.pdb"),
                                          data_file("ubiquitin_1ubq_xray.pdb"), data_file("cytc_horse_2pcb_B.pdb")};
  std::string names;
  for (const std::string &f : files) names += " " + quote(f);
  RunResult one = run_shell(quote(PAIRFIT_BATCH_BINARY) + " -fast -j 1 --all" + names + " 2>/dev/null");
  RunResult two = run_shell(quote(PAIRFIT_BATCH_BINARY) + " -j 2 -fast --all" + names + " 2>/dev/null");
  ASSERT_EQ(one.status, 0);
  EXPECT_EQ(one.out, two.out);
  std::string want = BATCH_HEADER;
  for (const std::string &f1 : files)
    for (const std::string &f2 : files) {
      if (f1 == f2) continue;
      std::string out = run_pairfit("-fast " + quote(f1) + " " + quote(f2)).out;
      want += f1 + "\t" + f2 + "\t" + out.substr(7);
    }
  EXPECT_EQ(one.out, want);
}

}  // namespace
