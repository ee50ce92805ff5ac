#include "metrics/lddt.h"

#include <cmath>

namespace pairfit {

namespace {

constexpr double inclusion_radius = 15.0;
constexpr double thresholds[] = {0.5, 1.0, 2.0, 4.0};

double distance(const ca_atom &a, const ca_atom &b) {
    const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

double c_alpha_lddt(const structure &first, const structure &second, const pairing &pairs,
                    std::vector<double> &per_atom) {
    const std::size_t n = first.size();
    std::vector<int> partner(n, -1);
    for (std::size_t k = 0; k < pairs.size(); ++k) partner[pairs.first[k]] = pairs.second[k];
    // Per atom: distances considered, and conserved ones summed over the thresholds.
    std::vector<long> considered(n, 0), conserved(n, 0);
    long all_considered = 0, all_conserved = 0;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            const double d1 = distance(first.atoms[i], first.atoms[j]);
            if (!(d1 < inclusion_radius)) continue;
            ++considered[i];
            ++considered[j];
            ++all_considered;
            if (partner[i] < 0 || partner[j] < 0) continue;
            const double change =
                std::fabs(d1 - distance(second.atoms[partner[i]], second.atoms[partner[j]]));
            int kept = 0;
            for (double t : thresholds) kept += change < t;
            conserved[i] += kept;
            conserved[j] += kept;
            all_conserved += kept;
        }
    per_atom.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        if (considered[i] > 0) per_atom[i] = conserved[i] / (4.0 * considered[i]);
    return all_considered > 0 ? all_conserved / (4.0 * all_considered) : 0.0;
}

}  // namespace pairfit
