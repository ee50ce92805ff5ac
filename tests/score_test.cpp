// The p-value of a Levitt-Gerstein score.
#include <cmath>

#include "score/method_rules.h"
#include "test_util.h"

using pairfit::LG_pvalueF;

TEST(PValue, WorkedValues) {
    const struct {
        int n;
        double s, p;
    } near[] =
        {
            {5, 100, 0.999999679},    {10, 200, 0.299858},      {100, 1000, 0.00837165},
            {100, 2000, 4.46739e-06}, {200, 4000, 9.91692e-10}, {100, 366.2196, 0.632121},
        },
      exact[] = {
          {4, 80, 1.0},
          {0, 1.0, 0.0},
          {0, -1.0, 1.0},
          {100, -1e6, 1.0},
      };
    for (const auto &c : near) EXPECT_NEAR(LG_pvalueF(c.n, c.s) / c.p, 1.0, 1e-5) << c.n << " " << c.s;
    for (const auto &c : exact) EXPECT_EQ(LG_pvalueF(c.n, c.s), c.p) << c.n << " " << c.s;
    // The public function is the same estimate.
    EXPECT_EQ(pairfit::score_pvalue(100, 1000), LG_pvalueF(100, 1000));
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
