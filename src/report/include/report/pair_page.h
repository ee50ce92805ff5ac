// The HTML report of one comparison (pairfit -html).
#ifndef PAIRFIT_REPORT_PAIR_PAGE_H
#define PAIRFIT_REPORT_PAIR_PAGE_H

#include <string>
#include <string_view>
#include <vector>

#include "pairfit/compare.h"
#include "pairfit/complex.h"
#include "pairfit/domains.h"
#include "pairfit/metrics.h"

namespace pairfit {

struct pair_page_input {
    const structure &first, &second;  // each with the selection that narrowed it, if any
    const pairing &pairs;
    pairing_method method;  // how the pairs were made
    const result &r;        // with score_by_size filled
    int min_size;
    // false: r.score_by_size holds only the subsets the fast search scored.
    bool every_size_scored = true;
    const metrics *scores = nullptr;    // the standard scores, shown when given
    std::vector<std::string> warnings;  // shown in a box at the top of the page
    // The chains mapped before pairing (second then holds its chains in
    // mapped order); nullptr: none. The page then lists the map and the
    // 3-D view colours each mapped pair of chains alike.
    const std::vector<chain_match> *chain_map = nullptr;
    // The rigid domains (-domains); nullptr: not asked for.
    const domain_analysis *domains = nullptr;
};

// A self-contained page: the warnings, the inputs, the SCORE values in words, the
// per-residue distance plot, the best score and p-value by subset size,
// a 3-D view of both C-alpha traces superposed on the best subset
// (drawn by viewer_js, which is put into the page as it is), and the
// sortable table of all pairs; with a chain map, the map too; with
// domains, a list of them and their hinges, the plot and the 3-D view
// coloured by domain (the view then not by chain) and each further
// domain's screw axis drawn in the view.
std::string pair_page_html(const pair_page_input &in, std::string_view viewer_js);

}  // namespace pairfit

#endif
