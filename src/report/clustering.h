// Average-linkage hierarchical clustering, for ordering the rows and
// columns of the batch heat map.
#ifndef PAIRFIT_REPORT_CLUSTERING_H
#define PAIRFIT_REPORT_CLUSTERING_H

#include <vector>

namespace pairfit {

// One merge of the clustering: clusters a and b (an item i < n is cluster
// i, merge m made cluster n + m) joined at the given distance.
struct merge_step {
    int a, b;
    double distance;
};

struct clustering {
    std::vector<merge_step> merges;  // n - 1 merges, in order
    std::vector<int> order;          // the items as the tree's leaves read left to right
};

// Clusters n items by the symmetric n x n distance matrix (row-major),
// joining at each step the two clusters of least average distance between
// their members (ties: the pair met first in row order). The cluster
// holding the lower-numbered item goes to the left, so the order is the
// same on every run.
clustering average_linkage(const std::vector<double> &distances, int n);

}  // namespace pairfit

#endif
