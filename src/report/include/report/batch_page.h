// The HTML report of a batch run (pairfit-batch --html).
#ifndef PAIRFIT_REPORT_BATCH_PAGE_H
#define PAIRFIT_REPORT_BATCH_PAGE_H

#include <string>

#include "report/batch_table.h"

namespace pairfit {

// A self-contained page: for an all-against-all run the clustered heat
// map of normalised p-values, otherwise the ranked bar chart; then the
// sortable table of every pair.
std::string batch_page_html(const batch_table &table, int min_size);

}  // namespace pairfit

#endif
