#include "scores_by_size.h"

#include <cstdio>

void print_scores_by_size(const pairfit::result &r) {
    for (int s = 0; s < r.npairs; ++s)
        std::printf("SCORE-TEST\t%d\t%f\t%e\n", s, r.score_by_size[s],
                    pairfit::score_pvalue(s, r.score_by_size[s]));
}
