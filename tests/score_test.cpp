// The Levitt-Gerstein score of fitted pairs and its two p-value estimates.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "score/score.h"

namespace {

std::unique_ptr<molecule> with_deviations(const std::vector<double> &sqdev, const std::vector<int> &selected) {
  auto mol = std::make_unique<molecule>();
  for (size_t k = 0; k < sqdev.size(); ++k) {
    mol->atoms[k].sqdev = sqdev[k];
    mol->atoms[k].selected = selected[k];
  }
  mol->natoms = static_cast<int>(sqdev.size());
  return mol;
}

double score_of(const std::vector<double> &sqdev, const std::vector<int> &selected) {
  auto m1 = with_deviations(sqdev, selected);
  auto m2 = with_deviations(std::vector<double>(sqdev.size(), 1e6), std::vector<int>(sqdev.size(), 0));
  return Levitt_Gerstein(m1.get(), m2.get());  // molecule 2 is not consulted
}

void expect_relative(double actual, double expected, double tolerance) {
  EXPECT_NEAR(actual / expected, 1.0, tolerance) << "actual " << actual << " expected " << expected;
}

}  // namespace

TEST(LevittGerstein, ContributionsOfSinglePairs) {
  const struct { double sqdev, points; } cases[] = {{0, 20}, {1, 16.667}, {5, 10}, {25, 3.333}, {100, 0.952}};
  for (const auto &c : cases) {
    double s = score_of({c.sqdev}, {1});
    EXPECT_NEAR(s, c.points, 5e-4) << c.sqdev;
    EXPECT_DOUBLE_EQ(s, 20.0 / (1.0 + c.sqdev / 5.0)) << c.sqdev;
  }
  EXPECT_EQ(score_of({0}, {1}), 20.0);
  EXPECT_EQ(score_of({5}, {1}), 10.0);
}

TEST(LevittGerstein, SumsOverSelectedPairsOnly) {
  EXPECT_EQ(score_of({}, {}), 0.0);
  EXPECT_EQ(score_of({0, 0, 0}, {0, 0, 0}), 0.0);
  EXPECT_EQ(score_of({0, 0, 0, 0}, {1, 1, 1, 1}), 80.0);
  EXPECT_EQ(score_of({0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}), 100.0);
  // Unselected pairs, however far apart, change nothing.
  EXPECT_EQ(score_of({5, 1e9, 0, 3, 400}, {1, 0, 1, 0, 0}), 30.0);
  // Any non-zero flag selects.
  EXPECT_EQ(score_of({5, 0, 5}, {2, -1, 1}), 40.0);
  EXPECT_DOUBLE_EQ(score_of({1, 25, 100}, {1, 1, 1}), 20.0 / 1.2 + 20.0 / 6.0 + 20.0 / 21.0);
}

TEST(PValue, WorkedValuesOfTheUsedEstimate) {
  const struct { int n; double s, p; } cases[] = {
      {5, 100, 0.999999679}, {10, 200, 0.299858},       {100, 1000, 0.00837165},
      {100, 2000, 4.46739e-06}, {200, 4000, 9.91692e-10}, {100, 366.2196, 0.632121},
  };
  for (const auto &c : cases) expect_relative(LG_pvalueF(c.n, c.s), c.p, 1e-5);
  EXPECT_NEAR(LG_pvalueF(5, 100), 0.999999679, 5e-10);
  EXPECT_EQ(LG_pvalueF(4, 80), 1.0);
}

TEST(PValue, WorkedValuesOfTheAlternativeEstimate) {
  const struct { int n; double s, p; } cases[] = {
      {50, 500, 0.00626983}, {100, 1000, 3.29141e-05}, {120, 1000, 9.84474e-05}, {200, 2000, 7.41113e-11},
  };
  for (const auto &c : cases) expect_relative(LG_pvalue(c.n, c.s), c.p, 1e-5);
}

TEST(PValue, AlternativeIsOneUpToFivePairs) {
  for (int n : {5, 4, 1, 0, -1, -7, -1000000})
    for (double s : {0.0, 100.0, 1e9, -1e9}) EXPECT_EQ(LG_pvalue(n, s), 1.0) << n << " " << s;
  EXPECT_LT(LG_pvalue(6, 200), 1.0);
}

TEST(PValue, AlternativeHoldsTheSpreadFrom120Pairs) {
  // One spread (64.700570) above the mean gives 1 - exp(-exp(-1)) at any
  // size from 120 on; the mean there grows linearly in ln n.
  const double slope = 171.787362, at_120 = 403.076480, spread = 64.700570;
  const double one_above = 1.0 - std::exp(-std::exp(-1.0));
  for (int n : {120, 200, 1000, 5000}) {
    double mean = at_120 + (std::log(static_cast<double>(n)) - std::log(120.0)) * slope;
    expect_relative(LG_pvalue(n, mean + spread), one_above, 1e-6);
  }
}

TEST(PValue, UsedEstimateWithoutPairs) {
  EXPECT_TRUE(std::isnan(LG_pvalueF(0, 0.0)));
  EXPECT_EQ(LG_pvalueF(0, 1.0), 0.0);
  EXPECT_EQ(LG_pvalueF(0, -1.0), 1.0);
}

TEST(PValue, FarTails) {
  EXPECT_EQ(LG_pvalueF(100, -1e6), 1.0);  // exp(-z) overflows
  EXPECT_EQ(LG_pvalue(100, -1e7), 1.0);
  EXPECT_GT(LG_pvalueF(100, 20000), 0.0);  // z about 148: still positive
  EXPECT_LT(LG_pvalueF(100, 20000), 1e-60);
}

TEST(PValue, TailSwitchAtExactlyTwenty) {
  // For one pair the mean and spread need no power of n; this score makes the
  // standardised score exactly 20.
  const double s = 0x1.183e27590a547p+7;
  const double mean = 1.0 / (0.0437 * 1.0 + 0.079), spread = 1.0 / (0.0417 * 1.0 + 3.37);
  ASSERT_EQ((s / 10.0 - mean) / spread, 20.0);
  const double gumbel = 1.0 - std::exp(-std::exp(-20.0));
  EXPECT_EQ(LG_pvalueF(1, s), gumbel);
  EXPECT_GT(std::fabs(gumbel / std::exp(-20.0) - 1.0), 1e-11);  // the two forms differ here
  // The next score up is past the switch.
  expect_relative(LG_pvalueF(1, std::nextafter(s, 1e9)), std::exp(-20.0), 1e-13);
}

TEST(PValue, TailSwitchEitherSideOfTwenty) {
  // The alternative estimate, standardised scores 20 +- 0.001.
  const double l = std::log(50.0);
  const double mean = 18.411424 * l * l - 4.501719 * l + 2.637163, spread = 21.351857 * l - 37.521269;
  for (double z : {19.999, 20.001}) {
    const double s = mean + z * spread, zs = (s - mean) / spread;
    const double p = LG_pvalue(50, s), simple = std::exp(-zs);
    if (z > 20) {
      expect_relative(p, simple, 1e-12);
    } else {
      expect_relative(p, 1.0 - std::exp(-std::exp(-zs)), 1e-7);
      EXPECT_GT(std::fabs(p / simple - 1.0), 1e-11) << "took the simple form below 20";
    }
  }
}
