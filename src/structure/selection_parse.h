// A selection of models and chains, parsed once and applied after reading.
#ifndef PAIRFIT_SELECTION_PARSE_H
#define PAIRFIT_SELECTION_PARSE_H

#include <string>
#include <vector>

#include "pairfit/structure.h"

namespace pairfit {

struct model_chain_selection {
    int model = 0;                    // 0: every model
    bool all_chains = true;
    bool inverted = false;            // every chain but those listed
    std::vector<std::string> chains;  // as listed, each once
};

// Parses text with gemmi's selection parser and refuses what goes beyond
// models and chains. Throws read_error (bad_selection) naming path.
model_chain_selection parse_selection(const std::string &text, const std::string &path);

// The atoms of s that sel keeps (text is the selection as written, for
// messages and the result's name). Throws read_error (nothing_selected).
structure apply_selection(const structure &s, const model_chain_selection &sel,
                          const std::string &text);

}  // namespace pairfit

#endif
