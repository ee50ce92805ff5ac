#include <cstdio>

#include "reports.h"

void print_domain_lines(const compared_pair &input, const pairfit::domain_analysis &domains) {
    for (std::size_t i = 0; i < domains.domains.size(); ++i) {
        const pairfit::domain &d = domains.domains[i];
        std::printf("DOMAIN:\t%d\t%d\t%.1f\t%e\t%.1f\t%s\n", static_cast<int>(i + 1), d.size, d.rms, d.pvalue,
                    d.motion.angle, pairfit::residue_ranges(input.first, input.pairs, d.pairs).c_str());
    }
}
