// pairfit: the most significant superimposable subset of two protein
// structures' C-alpha pairs, by the Levitt-Gerstein score.
#ifndef PAIRFIT_PUBLIC_PAIRFIT_H
#define PAIRFIT_PUBLIC_PAIRFIT_H

#include "pairfit/alignment.h"
#include "pairfit/compare.h"
#include "pairfit/complex.h"
#include "pairfit/document.h"
#include "pairfit/domains.h"
#include "pairfit/metrics.h"
#include "pairfit/pairing.h"
#include "pairfit/selection.h"
#include "pairfit/structure.h"
#include "pairfit/version.h"
#include "pairfit/warnings.h"

#endif
