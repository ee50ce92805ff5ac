// The frame shared by the report pages: head, style sheet, the script
// that sorts tables, and a sortable table builder.
#ifndef PAIRFIT_REPORT_HTML_PAGE_H
#define PAIRFIT_REPORT_HTML_PAGE_H

#include <string>
#include <vector>

namespace pairfit {

// A complete HTML document with the given title (plain text) and body
// (HTML). The page needs nothing from the network.
std::string html_document(const std::string &title, const std::string &body);

// One cell of a sortable table: its HTML and the value it sorts by (a
// number sorts numerically).
struct table_cell {
    std::string html;
    std::string sort_value;
};

// A <table class="sortable"> whose columns sort when their heading is
// clicked (a second click reverses the order).
std::string sortable_table(const std::string &id, const std::vector<std::string> &headings,
                           const std::vector<std::vector<table_cell>> &rows,
                           const std::vector<std::string> &row_classes = {});

}  // namespace pairfit

#endif
