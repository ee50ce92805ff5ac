// The Levitt-Gerstein similarity score of a fitted subset and its p-value.
#ifndef PAIRFIT_SCORE_H
#define PAIRFIT_SCORE_H

namespace pairfit {

// p-value of score s for n pairs: the score over 10, standardised by a mean
// and spread that grow with n, read against a Gumbel upper tail.
double LG_pvalueF(int n, double s);

// The parts of LG_pvalueF, for callers that score many subsets of the same
// sizes: the mean and spread for n pairs (on the score-over-10 scale), and
// the upper tail of the Gumbel distribution at z (above 20 its leading term
// e^-z, which keeps tiny p-values from rounding to 0).
// LG_pvalueF(n, s) is gumbel_tail((s / 10 - mean) / spread).
void LG_modelF(int n, double *mean, double *spread);
double gumbel_tail(double z);

}  // namespace pairfit

#endif
