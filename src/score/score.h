// The Levitt-Gerstein similarity score of a fitted subset and its p-value.
#ifndef PAIRFIT_SCORE_H
#define PAIRFIT_SCORE_H

#include "structure/molecule.h"

// 20 times the sum over the pairs selected in molecule 1 of 1 / (1 + sqdev / 5).
// Molecule 2 is not consulted: the fit stores each pair's sqdev in both.
double Levitt_Gerstein(const molecule *mol1, const molecule *mol2);

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

// An alternative estimate with a mean quadratic in ln n (linear from n = 120
// on) and the unscaled score; 1 for n of 5 or less.
double LG_pvalue(int n, double s);

#endif
