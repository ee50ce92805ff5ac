#include <cmath>

#include "score/score.h"

double gumbel_tail(double z) {
    if (z > 20.0) return std::exp(-z);
    return 1.0 - std::exp(-std::exp(-z));
}

void LG_modelF(int n, double *mean, double *spread) {
    double dn = n;
    *mean = std::pow(dn, 0.3264) / (0.0437 * std::pow(dn, 0.0003) + 0.079);
    *spread = dn / (0.0417 * dn + 3.37);
}

double LG_pvalueF(int n, double s) {
    double mean, spread;
    LG_modelF(n, &mean, &spread);
    return gumbel_tail((s / 10.0 - mean) / spread);
}

double LG_pvalue(int n, double s) {
    if (n <= 5) return 1.0;
    double big = std::log(120.0);
    double l = std::log(static_cast<double>(n));
    double mean, spread;
    if (n < 120) {
        mean = 18.411424 * l * l - 4.501719 * l + 2.637163;
        spread = 21.351857 * l - 37.521269;
    } else {
        // Beyond 120 pairs the mean follows the tangent of the quadratic at
        // ln 120 and the spread keeps its value there.
        double slope = (big + big) * 18.411424 - 4.501719;
        double at_limit = 18.411424 * big * big - 4.501719 * big + 2.637163;
        mean = (at_limit - big * slope) + l * slope;
        spread = 21.351857 * big - 37.521269;
    }
    return gumbel_tail((s - mean) / spread);
}
