// A selection of models and chains, parsed once and applied after reading.
#ifndef PAIRFIT_SELECTION_PARSE_H
#define PAIRFIT_SELECTION_PARSE_H

#include <climits>
#include <string>
#include <vector>

#include "pairfit/structure.h"

namespace pairfit {

struct model_chain_selection {
    // A model number outside the int range, which no file has.
    static constexpr int NO_SUCH_MODEL = INT_MIN;
    int model = 0;           // 0: every model
    std::string model_text;  // the model number as written; empty: none
    bool all_chains = true;
    bool inverted = false;            // every chain but those listed
    std::vector<std::string> chains;  // as listed, each once
};

// Parses text with gemmi's selection parser and refuses what goes beyond
// models and chains. Throws read_error (bad_selection) naming path.
model_chain_selection parse_selection(const std::string &text, const std::string &path);

// The atoms of s that sel keeps (text is the selection as written, for
// messages and the result's name). Throws read_error (nothing_selected).
structure apply_selection(const structure &s, const model_chain_selection &sel, const std::string &text);

}  // namespace pairfit

#endif
