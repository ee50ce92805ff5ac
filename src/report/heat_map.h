// The all-against-all heat map of a batch run.
#ifndef PAIRFIT_REPORT_HEAT_MAP_H
#define PAIRFIT_REPORT_HEAT_MAP_H

#include <string>
#include <vector>

#include "report/batch_table.h"
#include "report/clustering.h"

namespace pairfit {

// The distance between files i and j that orders the heat map: with s the
// mean of the normalised p-values of (i, j) and (j, i) (those of the two
// that were compared), distance = S - s, where S is the largest such mean
// over all pairs; so the most similar pair is 0 apart and larger
// normalised p-values mean closer files. A pair compared in neither
// direction gets the largest distance found. Row-major, n x n, 0 on the
// diagonal.
std::vector<double> similarity_distances(const batch_table &table);

// An SVG element: one rect of class "cell" for every ordered pair of files
// (N x N, the diagonal and pairs not compared included), rows and columns
// in the order of average-linkage clustering on similarity_distances, the
// tree drawn beside the rows; each compared cell is coloured by its
// normalised p-value and has a <title> with the pair's values.
std::string heat_map_svg(const batch_table &table);

// The normalised p-values that take the lightest and the darkest colour:
// the table's fixed scale if it has one, else its lowest and highest value
// (low > high when it has none).
void heat_map_range(const batch_table &table, double *low, double *high);

// The files' display names: the path as given, its front cut off when long.
std::string short_name(const std::string &path);

}  // namespace pairfit

#endif
