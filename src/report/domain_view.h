// The rigid domains on the report page: their colours, the section that
// lists them and their hinges, and the screw axes the 3-D view draws.
#ifndef PAIRFIT_REPORT_DOMAIN_VIEW_H
#define PAIRFIT_REPORT_DOMAIN_VIEW_H

#include <string>
#include <vector>

#include "pairfit/domains.h"

namespace pairfit {

// The colour of domain number (from 1) for structure 1 (structure_index
// 0) or its lighter shade for structure 2 (1). Domain 1, the best subset,
// keeps the best subset's colours; the colours repeat after six domains.
std::string domain_colour(int number, int structure_index);

// The "Rigid domains" section: one line of explanation, the domains
// (colour, number, size, RMS, p-value, angle and translation along the
// axis of the motion relative to domain 1, residue ranges of structure 1)
// and the hinges (the residues of structure 1 on either side, the two
// domain numbers).
std::string domain_section_html(const structure &first, const pairing &pairs, const domain_analysis &domains);

// Per pair: its domain's colour for structure 1, "" for none.
std::vector<std::string> domain_colour_of_pairs(const domain_analysis &domains);

// Per atom of structure 1 (structure_index 0) or 2 (1) with atom_count
// atoms: its domain's colour; atoms paired outside every domain get
// outside, unpaired atoms unpaired.
std::vector<std::string> domain_colour_of_atoms(const domain_analysis &domains, const pairing &pairs,
                                                int structure_index, std::size_t atom_count,
                                                const std::string &unpaired, const std::string &outside);

// The screw axis of each domain from 2 on, as a JSON array of objects
// {"domain", "colour", "start", "end"}: the stretch of the axis (in
// structure 1's frame) that spans the projections of structure 1's atoms
// onto it, 5 A longer at each end, pointing along axis_direction.
std::string domain_axes_json(const structure &first, const domain_analysis &domains);

}  // namespace pairfit

#endif
