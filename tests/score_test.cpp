// The Levitt-Gerstein score of fitted pairs and its two p-value estimates.
#include <cmath>
#include <memory>

#include "score/score.h"
#include "test_util.h"

TEST(LevittGerstein, SumsOverPairsSelectedInMoleculeOne) {
  auto m1 = std::make_unique<molecule>(), m2 = std::make_unique<molecule>();
  const double sqdev[] = {0, 1, 5, 25, 100, 1e9, 3};
  const int flags[] = {1, 2, -1, 1, 1, 0, 0};  // any non-zero flag selects
  for (int k = 0; k < 7; ++k) m1->atoms[k].sqdev = sqdev[k], m1->atoms[k].selected = flags[k];
  m1->natoms = m2->natoms = 7;  // molecule 2, all zero, is not consulted
  EXPECT_DOUBLE_EQ(Levitt_Gerstein(m1.get(), m2.get()), 20.0 + 20.0 / 1.2 + 10.0 + 20.0 / 6.0 + 20.0 / 21.0);
}

TEST(PValue, WorkedValues) {
  const struct { double (*f)(int, double); int n; double s, p; } near[] = {
      {LG_pvalueF, 5, 100, 0.999999679}, {LG_pvalueF, 10, 200, 0.299858}, {LG_pvalueF, 100, 1000, 0.00837165},
      {LG_pvalueF, 100, 2000, 4.46739e-06}, {LG_pvalueF, 200, 4000, 9.91692e-10},
      {LG_pvalueF, 100, 366.2196, 0.632121}, {LG_pvalue, 50, 500, 0.00626983}, {LG_pvalue, 100, 1000, 3.29141e-05},
      {LG_pvalue, 120, 1000, 9.84474e-05}, {LG_pvalue, 200, 2000, 7.41113e-11}, {LG_pvalue, 6, 60, 1.8657990e-04},
      {LG_pvalue, 5000, 1108.492623, 0.3077993724},  // one spread above the mean
  }, exact[] = {
      {LG_pvalueF, 4, 80, 1.0}, {LG_pvalueF, 0, 1.0, 0.0}, {LG_pvalueF, 0, -1.0, 1.0}, {LG_pvalueF, 100, -1e6, 1.0},
      {LG_pvalue, 100, -1e7, 1.0}, {LG_pvalue, 5, -1e9, 1.0}, {LG_pvalue, 1, -1e9, 1.0}, {LG_pvalue, -7, 0, 1.0},
  };
  for (const auto &c : near) EXPECT_NEAR(c.f(c.n, c.s) / c.p, 1.0, 1e-5) << c.n << " " << c.s;
  for (const auto &c : exact) EXPECT_EQ(c.f(c.n, c.s), c.p) << c.n << " " << c.s;
  EXPECT_TRUE(std::isnan(LG_pvalueF(0, 0.0)));
  EXPECT_GT(LG_pvalueF(100, 20000), 0.0);  // z about 148: still positive
  EXPECT_LT(LG_pvalueF(100, 20000), 1e-60);
}

TEST(PValue, TailSwitchAtExactlyTwenty) {
  // For one pair this score makes the standardised score exactly 20, where
  // the tail is still the full Gumbel form; the next score up takes exp(-z).
  const double s = 0x1.183e27590a547p+7;
  EXPECT_EQ(LG_pvalueF(1, s), 1.0 - std::exp(-std::exp(-20.0)));
  EXPECT_GT(std::fabs(LG_pvalueF(1, s) / std::exp(-20.0) - 1.0), 1e-11);  // the two forms differ here
  EXPECT_NEAR(LG_pvalueF(1, std::nextafter(s, 1e9)) / std::exp(-20.0), 1.0, 1e-13);
}
