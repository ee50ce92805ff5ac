// The rules of the method, in one place: how a subset is seeded and grown,
// which pairs may join it, how its pairs score, and how a score becomes a
// p-value. The exact and the fast search, the comparisons and the reports
// take them from here.
#ifndef PAIRFIT_METHOD_RULES_H
#define PAIRFIT_METHOD_RULES_H

#include <cmath>
#include <cstddef>
#include <string>

namespace pairfit {

// A subset starts as a run of this many consecutive pairs.
constexpr int SEED_SIZE = 4;

// The seeds of n pairs start at pairs 0 to n - SEED_SIZE - 1: the run that
// ends at the last pair seeds nothing.
inline int seed_count(int n) {
    return n - SEED_SIZE;
}

// A subset of k pairs grows while its fit's RMS deviation (Angstrom) stays
// below 5 + k / 45, the division an integer one: the bar is 5 up to 44
// pairs, 6 from 45 to 89, and so on.
inline bool may_grow(double rms, int k) {
    return rms < 5 + k / 45;
}

// A pair joins a subset only while its squared distance after the fit is
// below this (square Angstrom): pairs 100 Angstrom or more apart never do.
constexpr double NO_PAIR_BEYOND = 9999.0;

// A pair's term of the Levitt-Gerstein score from its squared distance d^2
// after the fit, 1 / (1 + d^2 / 5); also element by element on vectors.
template <class T>
inline T score_term(T squared_distance) {
    return 1.0 / (1.0 + squared_distance / 5.0);
}

// The score of a subset: 20 times the sum of its pairs' terms.
inline double score_of_terms(double sum_of_terms) {
    return sum_of_terms * 20.0;
}

// The highest score k pairs can have, every pair coinciding.
inline double highest_score(int k) {
    return 20.0 * k;
}

// The p-value of score s for n pairs: the score over 10, standardised by a
// mean and spread that grow with n, read against a Gumbel upper tail.
double LG_pvalueF(int n, double s);

// Its parts, for callers that score many subsets of the same sizes: the
// mean and spread for n pairs (on the score-over-10 scale), and the upper
// tail of the Gumbel distribution at z (above 20 its leading term e^-z,
// which keeps tiny p-values from rounding to 0).
void score_model(int n, double *mean, double *spread);
double gumbel_tail(double z);

// LG_pvalueF(n, s) from the mean and spread of n pairs.
inline double pvalue_under_model(double s, double mean, double spread) {
    return gumbel_tail((s / 10.0 - mean) / spread);
}

// What the normalised p-value adds to log10 p.
constexpr double NORMALISED_PVALUE_OFFSET = 0.6108;

// The normalised p-value, -1000 (log10 p + NORMALISED_PVALUE_OFFSET)
// divided by the number of C-alpha atoms of structure 1.
inline double normalised_pvalue(double pvalue, std::size_t atoms1) {
    return (std::log10(pvalue) + NORMALISED_PVALUE_OFFSET) * -1000.0 / static_cast<double>(atoms1);
}

// NORMALISED_PVALUE_OFFSET as the texts that state the formula write it:
// the shortest decimal that reads back as it ("0.6108").
std::string normalised_pvalue_offset_text();

}  // namespace pairfit

#endif
