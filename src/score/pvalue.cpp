#include <charconv>
#include <cmath>

#include "score/method_rules.h"

namespace pairfit {

double gumbel_tail(double z) {
    if (z > 20.0) return std::exp(-z);
    return 1.0 - std::exp(-std::exp(-z));
}

void score_model(int n, double *mean, double *spread) {
    double dn = n;
    *mean = std::pow(dn, 0.3264) / (0.0437 * std::pow(dn, 0.0003) + 0.079);
    *spread = dn / (0.0417 * dn + 3.37);
}

double LG_pvalueF(int n, double s) {
    double mean, spread;
    score_model(n, &mean, &spread);
    return pvalue_under_model(s, mean, spread);
}

std::string normalised_pvalue_offset_text() {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, NORMALISED_PVALUE_OFFSET).ptr);
}

}  // namespace pairfit
