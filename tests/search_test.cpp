// The seed-and-grow search on small hand-made structures where one rule
// decides the outcome. Most of them put molecule 2 entirely at the origin
// and molecule 1 on the x axis: the fit then cannot turn anything, so every
// RMS and every deviation is known exactly in advance.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "score/score.h"
#include "search/search.h"
#include "test_util.h"

namespace {

using point = std::array<double, 3>;

void load(const std::vector<point> &mol1, const std::vector<point> &mol2) {
  for (int side = 0; side < 2; ++side) {
    const std::vector<point> &at = side == 0 ? mol1 : mol2;
    m[side].natoms = ma[side] = static_cast<int>(at.size());
    for (size_t i = 0; i < at.size(); ++i) {
      atom *a = &m[side].atoms[i];
      *a = atom{};
      a->x = at[i][0], a->y = at[i][1], a->z = at[i][2];
      std::snprintf(a->name, NAME_SIZE, "CA");
      std::snprintf(a->resname, NAME_SIZE, "GLY");
      a->number = a->resnum = static_cast<int>(i) + 1;
      a->selected = 1;
    }
  }
}

// Molecule 1 at the given x positions, molecule 2 all at the origin.
void load_on_axis(const std::vector<double> &x) {
  std::vector<point> mol1, mol2(x.size(), point{0, 0, 0});
  for (double v : x) mol1.push_back({v, 0, 0});
  load(mol1, mol2);
}

// The same stretch of helix in both molecules.
void load_identical_helix(int n) {
  std::vector<point> helix;
  for (int i = 0; i < n; ++i)
    helix.push_back({2.3 * std::cos(1.745 * i), 2.3 * std::sin(1.745 * i), 1.5 * i - 10});
  load(helix, helix);
}

struct Found {
  std::vector<std::string> lines;
  const best_subset *best;
  const double *by_size;

  // Progress lines with this label ("FRAC1" or "GOOD1") and, unless k is 0,
  // this size.
  int count(const std::string &label, int k = 0) const {
    int n = 0;
    for (const std::string &l : lines)
      n += l.compare(0, label.size() + 2, label + ":\t") == 0 && (k == 0 || size(l) == k);
    return n;
  }
  static int size(const std::string &line) {
    std::istringstream in(line);
    std::string label, fraction;
    int k = 0;
    in >> label >> fraction >> k;
    return k;
  }
  int largest() const {
    int k = 0;
    for (const std::string &l : lines)
      if (l.compare(0, 6, "FRAC1:") == 0) k = std::max(k, size(l));
    return k;
  }
};

// Runs the search with "-a" and "-b" (and "-v" when asked).
Found run_search(int min_size, bool verbose = false) {
  static best_subset best;
  static double by_size[MAX_ATOMS + 1];
  double u[9];
  fraction_flag = b_flag = 1;
  verbose_flag = verbose ? 1 : 0;
  testing::internal::CaptureStdout();
  search_best_subset(&m[0], &m[1], min_size, 0.0, &best, by_size, u);
  std::string out = testing::internal::GetCapturedStdout();
  fraction_flag = verbose_flag = b_flag = 0;
  EXPECT_TRUE(out.empty() || out.back() == '\n');
  Found f{{}, &best, by_size};
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) f.lines.push_back(line);
  return f;
}

// The score of pairs at these squared distances, summed in their order.
double score_of(const std::vector<double> &sqdevs) {
  double sum = 0.0;
  for (double d : sqdevs) sum += 1.0 / (1.0 + d / 5.0);
  return sum * 20.0;
}

std::string progress_line(const char *label, int k, int n, double rms_value, double score) {
  char line[128];
  std::snprintf(line, sizeof line, "%s:\t%.2f\t%d\t%.1f\t%.1f\t%e", label,
                static_cast<double>(k) / n, k, rms_value, score, LG_pvalueF(k, score));
  return line;
}

TEST(SearchRules, FewerThanFivePairsSearchNothing) {
  for (int n = 0; n <= 4; ++n) {
    load_identical_helix(n);
    Found f = run_search(0, true);
    EXPECT_TRUE(f.lines.empty()) << n << " pairs";
    EXPECT_EQ(f.best->best_size, 0);
    EXPECT_EQ(f.best->best_pvalue, 1.0);
  }
}

TEST(SearchRules, FivePairsMakeOneSeedAndOneStep) {
  load_identical_helix(5);
  Found f = run_search(19);
  ASSERT_EQ(f.lines.size(), 1u);
  EXPECT_EQ(f.lines[0], progress_line("FRAC1", 5, 5, 0.0, 100.0));
  EXPECT_EQ(f.best->best_size, 0);
  EXPECT_EQ(f.by_size[5], 100.0);
  EXPECT_EQ(f.by_size[4], 0.0);

  load_identical_helix(5);
  f = run_search(4);
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(f.lines[1], progress_line("GOOD1", 5, 5, 0.0, 100.0));
  EXPECT_EQ(f.best->best_size, 5);
}

TEST(SearchRules, NineteenPairsAreNeverAcceptedTwentyCanBe) {
  load_identical_helix(19);
  Found f = run_search(19);
  EXPECT_EQ(f.best->best_size, 0);
  EXPECT_EQ(f.largest(), 19);
  EXPECT_EQ(f.count("GOOD1"), 0);

  // Every seed grows to all 20 pairs at the same p-value; each of the 16
  // seeds has it accepted again, as equal p-values go to the later subset.
  load_identical_helix(20);
  f = run_search(19);
  EXPECT_EQ(f.best->best_size, 20);
  EXPECT_EQ(f.best->best_score, 400.0);
  EXPECT_EQ(f.count("GOOD1"), 16);
  EXPECT_EQ(f.count("GOOD1", 20), 16);
}

TEST(SearchRules, EqualPValuesGoToTheLaterSubset) {
  // Pairs 0-4 and pairs 5-9 each coincide after centring; the two groups lie
  // 200 Angstrom apart, too far to be added to each other. Seeds 0 and 1
  // find pairs 0-4, seed 5 finds pairs 5-9 with the same score of 100.
  load_on_axis({0, 0, 0, 0, 0, 200, 200, 200, 200, 200});
  Found f = run_search(4);
  EXPECT_EQ(f.count("GOOD1"), 3);
  EXPECT_EQ(f.best->best_size, 5);
  EXPECT_EQ(f.best->best_score, 100.0);
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(f.best->best_selected1[j], j >= 5 ? 1 : 0) << "pair " << j;
    EXPECT_EQ(f.best->best_selected2[j], j >= 5 ? 1 : 0) << "pair " << j;
  }
}

TEST(SearchRules, EqualDeviationsAddTheLowestIndex) {
  // Pairs 4 (at +1) and 5 (at -1) are equally far from the seed 0-3; with
  // pair 4 the centroid moves to 0.2.
  load_on_axis({0, 0, 0, 0, 1, -1});
  Found f = run_search(19, true);
  ASSERT_GE(f.lines.size(), 11u);
  double near = (0 - 0.2) * (0 - 0.2), added = (1 - 0.2) * (1 - 0.2);
  EXPECT_EQ(f.lines[0], progress_line("FRAC1", 5, 6, 0.4, score_of({near, near, near, near, added})));
  EXPECT_EQ(f.lines[1], "Overall average RMS deviation is 0.400000 Angstroms.");
  EXPECT_EQ(f.lines[5], "1 \t CA \t GLY    1 \t   0.2000\t1 \t CA \t GLY    1 \t   0.2000");
  EXPECT_EQ(f.lines[9], "5 \t CA \t GLY    5 \t   0.8000\t5 \t CA \t GLY    5 \t   0.8000");
  EXPECT_EQ(f.lines[10].compare(0, 6, "FRAC1:"), 0) << "a sixth row: " << f.lines[10];
}

TEST(SearchRules, SeedAtTheCutoffIsNotGrown) {
  // A seed at -5, -5, 5, 5 against the origin has an RMS of exactly 5.
  load_on_axis({-5, -5, 5, 5, 0});
  Found f = run_search(0);
  EXPECT_TRUE(f.lines.empty());
  EXPECT_EQ(f.by_size[5], 0.0);

  load_on_axis({-4.5, -4.5, 4.5, 4.5, 0});
  f = run_search(0);
  EXPECT_EQ(f.count("FRAC1", 5), 1);
  EXPECT_EQ(f.lines.size(), 2u);
}

TEST(SearchRules, SubsetReachingTheCutoffIsScoredAndCanWin) {
  // Adding the pair at 12.5 gives 5 pairs with an RMS of exactly 5: the
  // subset is scored and accepted, and the seed grows no further (the pair
  // at 20 is never added). Seed 1 starts at an RMS above 5.
  load_on_axis({0, 0, 0, 0, 12.5, 20});
  Found f = run_search(0);
  double score = score_of({6.25, 6.25, 6.25, 6.25, 100});
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(f.lines[0], progress_line("FRAC1", 5, 6, 5.0, score));
  EXPECT_EQ(f.lines[1], progress_line("GOOD1", 5, 6, 5.0, score));
  EXPECT_EQ(f.best->best_size, 5);
  EXPECT_EQ(f.best->best_rms, 5.0);
  EXPECT_EQ(f.best->best_selected1[5], 0);
}

TEST(SearchRules, CutoffRisesByOneEvery45Pairs) {
  // 43 coinciding pairs, then one that brings the RMS of 44 pairs to 5.5
  // (cutoff 5: growth ends) and a far one that is never reached.
  std::vector<double> x(43, 0.0);
  x.push_back(5.5 * 44 / std::sqrt(43.0));
  x.push_back(-60);
  load_on_axis(x);
  Found f = run_search(19);
  EXPECT_EQ(f.largest(), 44);
  EXPECT_EQ(f.count("FRAC1", 44), 40);  // seeds 0 to 39; seed 40 starts above 5

  // With 44 coinciding pairs the RMS of 5.5 comes at 45 pairs (cutoff 6):
  // the growth goes on.
  x.assign(44, 0.0);
  x.push_back(5.5 * 45 / std::sqrt(44.0));
  x.push_back(60);
  x.push_back(-60);
  load_on_axis(x);
  f = run_search(19);
  EXPECT_EQ(f.largest(), 46);
}

TEST(SearchRules, NoCandidateWithin100AngstromEndsTheSeed) {
  // Nothing unselected lies within 9999 square Angstrom of the seed: no
  // step, no fit, no score. Seed 1 starts far above the cutoff.
  load_on_axis({0, 0, 0, 0, 100, -100});
  Found f = run_search(0);
  EXPECT_TRUE(f.lines.empty());
  EXPECT_EQ(f.by_size[5], 0.0);
  EXPECT_EQ(f.best->best_size, 0);

  // At 99.99 Angstrom (9998.0001 square Angstrom) the pair is still added.
  load_on_axis({0, 0, 0, 0, 99.99, -100});
  f = run_search(0);
  EXPECT_EQ(f.count("FRAC1", 5), 1);
  EXPECT_EQ(f.best->best_size, 5);
}

}  // namespace
