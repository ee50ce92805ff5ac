// The ranked bar chart of a batch run that is not all against all.
#ifndef PAIRFIT_REPORT_BAR_CHART_H
#define PAIRFIT_REPORT_BAR_CHART_H

#include <string>

#include "report/batch_table.h"

namespace pairfit {

// An SVG element: one rect of class "bar" a pair, the pairs ranked by
// normalised p-value (largest first), labelled by file 2 when every pair
// has the same file 1 and by both names otherwise; pairs that failed come
// last as labels without a bar. Each bar has a <title> with the values.
std::string bar_chart_svg(const batch_table &table);

}  // namespace pairfit

#endif
