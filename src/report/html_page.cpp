#include "report/html_page.h"

#include "report/page_assets.h"
#include "report/svg.h"

namespace pairfit {

std::string html_document(const std::string &title, const std::string &body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           escape_xml(title) + "</title>\n<style>" + std::string(page_style()) +
           "</style>\n</head>\n<body>\n" + body + "<script>" + std::string(table_sort_script()) +
           "</script>\n</body>\n</html>\n";
}

std::string sortable_table(const std::string &id, const std::vector<std::string> &headings,
                           const std::vector<std::vector<table_cell>> &rows,
                           const std::vector<std::string> &row_classes) {
    std::string s =
        "<div class=\"scroll\"><table class=\"sortable\" id=\"" + escape_xml(id) + "\">\n<thead><tr>";
    for (const std::string &h : headings) s += "<th>" + h + "</th>";
    s += "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        s += r < row_classes.size() && !row_classes[r].empty() ? "<tr class=\"" + row_classes[r] + "\">"
                                                               : "<tr>";
        for (const table_cell &c : rows[r]) {
            bool number = !c.sort_value.empty() &&
                          c.sort_value.find_first_not_of("0123456789.-+e") == std::string::npos;
            s += std::string("<td") + (number ? " class=\"num\"" : "") + " data-value=\"" +
                 escape_xml(c.sort_value) + "\">" + c.html + "</td>";
        }
        s += "</tr>\n";
    }
    s += "</tbody></table></div>\n";
    return s;
}

}  // namespace pairfit
