// The rigid domains and hinges as members of the comparison document.
#include <nlohmann/json.hpp>

#include "pairfit/domains.h"

namespace pairfit {

std::string domains_json(const structure &first, const pairing &pairs, const domain_analysis &analysis) {
    nlohmann::json domains = nlohmann::json::array();
    for (const domain &d : analysis.domains)
        domains.push_back({{"pairs", d.pairs},
                           {"size", d.size},
                           {"rms", d.rms},
                           {"score", d.score},
                           {"pvalue", d.pvalue},
                           {"angle", d.motion.angle},
                           {"axis_point", d.motion.axis_point},
                           {"axis_direction", d.motion.axis_direction},
                           {"translation", d.motion.translation},
                           {"residues", residue_ranges(first, pairs, d.pairs)}});
    return domains.dump();
}

std::string hinges_json(const structure &first, const pairing &pairs, const domain_analysis &analysis) {
    nlohmann::json hinges = nlohmann::json::array();
    for (const hinge &h : analysis.hinges)
        hinges.push_back({{"domain_before", h.domain_before},
                          {"domain_after", h.domain_after},
                          {"pair_before", h.before},
                          {"pair_after", h.after},
                          {"residue_before", residue_label(first, pairs.first[h.before])},
                          {"residue_after", residue_label(first, pairs.first[h.after])}});
    return hinges.dump();
}

}  // namespace pairfit
