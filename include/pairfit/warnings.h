// Warnings about structures that will not pair as a user may expect: the
// programs print or show them, and a library user can do the same.
#ifndef PAIRFIT_PUBLIC_WARNINGS_H
#define PAIRFIT_PUBLIC_WARNINGS_H

#include <string>

#include "pairfit/structure.h"

namespace pairfit {

// When s holds atoms of several models: they are read as one chain of
// residues, so only the first model can pair with a single structure.
// Names FILE@/M and pairfit-batch --split models. Empty when there is one
// model.
std::string several_models_warning(const structure &s);

// When s holds several chains that no selection listed: they are joined
// in file order and compared as one. Empty otherwise.
std::string merged_chains_warning(const structure &s);

}  // namespace pairfit

#endif
