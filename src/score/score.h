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

// An alternative estimate with a mean quadratic in ln n (linear from n = 120
// on) and the unscaled score; 1 for n of 5 or less.
double LG_pvalue(int n, double s);

#endif
