// The standard scores of one comparison, from the structures, the pairing
// and the rigid core's result.
#include "pairfit/metrics.h"

#include <cstdio>

#include <gemmi/qcp.hpp>

#include "metrics/lddt.h"
#include "metrics/tm_score.h"
#include "pairfit/selection.h"
#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {

namespace {

// Fewer atoms in the reference than this: the scores are not computed.
constexpr int min_reference_length = 5;

gemmi::Position position(const ca_atom &a) {
    return gemmi::Position(a.x, a.y, a.z);
}

}  // namespace

metrics compute_metrics(const structure &first, const structure &second, const pairing &pairs,
                        const result &r) {
    metrics m;
    m.pairs = static_cast<int>(pairs.size());
    m.reference_length = static_cast<int>(first.size());
    m.residue_lddt.assign(first.size(), 0.0);
    if (m.pairs == 0 || m.reference_length < min_reference_length) {
        m.warning = "Warning: no TM-score, GDT or lDDT of " + display_name(second) + " against " +
                    display_name(first) + ": " +
                    (m.pairs == 0 ? std::string("no pairs")
                                  : std::to_string(m.reference_length) + " C-alpha atoms in " +
                                        display_name(first) + ", fewer than 5") +
                    "; the scores are 0";
        return m;
    }
    std::vector<gemmi::Position> one, two;
    one.reserve(pairs.size());
    two.reserve(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        one.push_back(position(first.atoms[pairs.first[k]]));
        two.push_back(position(second.atoms[pairs.second[k]]));
    }
    m.rmsd = gemmi::superpose_positions(one.data(), two.data(), one.size(), nullptr).rmsd;

    const double length = m.reference_length;
    superposition_search search;
    std::vector<gemmi::Transform> seeds;
    if (r.npairs == m.pairs && r.size > 0) seeds.push_back(to_gemmi(r.transform));
    const superposition_maxima best =
        search.run(one.data(), two.data(), m.pairs, tm_score_d0(m.reference_length), length, true,
                   metrics_search, seeds);
    m.tm_score = best.tm_score;
    const std::array<int, 5> &c = best.gdt_counts;
    m.gdt_ha = (c[0] + c[1] + c[2] + c[3]) / (4.0 * length);
    m.gdt_ts = (c[1] + c[2] + c[3] + c[4]) / (4.0 * length);
    m.lddt = c_alpha_lddt(first, second, pairs, m.residue_lddt);
    return m;
}

std::string metrics_values(const metrics &m) {
    char line[160];
    std::snprintf(line, sizeof line, "%.4f\t%.4f\t%.4f\t%.4f\t%.3f\t%d\t%d", m.tm_score, m.gdt_ts, m.gdt_ha,
                  m.lddt, m.rmsd, m.pairs, m.reference_length);
    return line;
}

}  // namespace pairfit
