// The machine-readable account of one comparison: what pairfit -json
// writes and Python's Result.to_dict() returns.
#ifndef PAIRFIT_PUBLIC_DOCUMENT_H
#define PAIRFIT_PUBLIC_DOCUMENT_H

#include <string>
#include <utility>
#include <vector>

#include "pairfit/compare.h"
#include "pairfit/metrics.h"

namespace pairfit {

// One comparison as the document describes it.
struct comparison_description {
    const structure &first, &second;  // each with its source and selection
    const pairing &pairs;
    std::string pairing_method;  // how the pairs were made, e.g. pairing_method_name()
    const result &r;
    // The scores; nullptr: computed for the document (their warning, if
    // any, then joins the warnings).
    const metrics *scores = nullptr;
    std::vector<std::string> warnings;  // every warning the run printed, in order
    // Further sections, in order: a name and its value as JSON text. A
    // section named like a standard one whose value is an object adds its
    // members to that object (e.g. {"pairing", "{\"gaps\": 3}"}); any other
    // becomes a member of its own.
    std::vector<std::pair<std::string, std::string>> sections;
};

// "residue_number", "sequence", "structure" or "alignment" (given).
std::string pairing_method_name(pairing_method method);

// The document as JSON text (indented, ending in a line end), members in
// this order: program, version, inputs (per structure: file, selection,
// atoms, chains), pairing (method, pairs), warnings, score (the six SCORE
// values as numbers), metrics, pairs (per pair: chain1, residue1,
// insertion1, name1, chain2, residue2, insertion2, name2, distance after
// the final fit, in_subset, lddt of its structure 1 atom), transform
// (rotation rows and translation putting structure 2 onto structure 1),
// then the further sections. Throws error when a section is not valid JSON.
std::string document_json(const comparison_description &d);

}  // namespace pairfit

#endif
