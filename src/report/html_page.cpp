#include "report/html_page.h"

#include "report/svg.h"

namespace pairfit {

namespace {

const char style_sheet[] = R"(
body { font: 14px/1.45 system-ui, sans-serif; margin: 24px auto; max-width: 1000px; color: #1a202c; padding: 0 12px; }
h1 { font-size: 22px; } h2 { font-size: 18px; margin-top: 32px; border-bottom: 1px solid #cbd5e0; }
table { border-collapse: collapse; } td, th { padding: 2px 10px; text-align: left; }
table.facts th { font-weight: 600; color: #4a5568; }
table.sortable th { cursor: pointer; white-space: nowrap; background: #edf2f7; position: sticky; top: 0; }
table.sortable th:after { content: " \2195"; color: #a0aec0; }
table.sortable td.num { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
table.sortable tr.in td { background: #ebf4ff; }
.scroll { max-height: 480px; overflow-y: auto; border: 1px solid #e2e8f0; display: inline-block; }
svg { width: 100%; height: auto; font-size: 11px; }
svg .grid { stroke: #edf2f7; } svg .axis { stroke: #4a5568; }
svg .limit { stroke: #c53030; stroke-dasharray: 6 4; } svg .limit-label { fill: #c53030; }
svg .chain-boundary { stroke: #718096; stroke-dasharray: 3 3; } svg .chain-label { fill: #4a5568; }
svg circle.pair.in { fill: #2b6cb0; } svg circle.pair.out { fill: #ffffff; stroke: #dd6b20; stroke-width: 1.4; }
.key span.in { background: #2b6cb0; } .key span.out { border: 1.5px solid #dd6b20; width: 7px; height: 7px; }
svg circle.size { fill: #4a5568; } svg circle.chosen-point { fill: #c53030; }
svg .chosen { stroke: #c53030; } svg .chosen-label { fill: #c53030; }
svg .not-accepted { fill: #f7fafc; }
svg .tick { fill: #4a5568; } svg .axis-label { fill: #2d3748; font-size: 12px; }
svg rect.self { fill: #e2e8f0; } svg rect.missing { fill: #ffffff; stroke: #e2e8f0; }
svg rect.failed { fill: #fed7d7; } svg .failed-label { fill: #c53030; }
svg .tree path { fill: none; stroke: #4a5568; }
svg circle:hover, svg rect.cell:hover, svg rect.bar:hover { stroke: #000; stroke-width: 2; }
.key span { display: inline-block; width: 10px; height: 10px; border-radius: 50%; margin: 0 4px 0 12px; }
.swatch { display: inline-block; width: 12px; height: 12px; margin: 0 4px 0 12px; vertical-align: -1px; }
.warnings { border: 2px solid #c05621; background: #fffaf0; padding: 4px 12px; margin: 12px 0; }
.warnings p { margin: 6px 0; }
svg circle.pair.far { stroke: #c53030; stroke-width: 2.5; } svg circle.residue.unpaired { fill: #a0aec0; } table.sortable tr.far td { background: #fed7d7; }
#viewer { width: 100%; height: 480px; position: relative; border: 1px solid #e2e8f0; }
code { background: #f7fafc; padding: 1px 4px; }
)";

// Sorts a table's body rows by the clicked column's data-value.
const char sort_script[] = R"(
document.querySelectorAll('table.sortable').forEach(function (table) {
  table.querySelectorAll('th').forEach(function (th, column) {
    th.addEventListener('click', function () {
      var body = table.tBodies[0], rows = Array.prototype.slice.call(body.rows);
      var ascending = th.getAttribute('data-order') !== 'ascending';
      rows.sort(function (a, b) {
        var x = a.cells[column].getAttribute('data-value'), y = b.cells[column].getAttribute('data-value');
        var nx = parseFloat(x), ny = parseFloat(y);
        var c = (isNaN(nx) || isNaN(ny)) ? x.localeCompare(y) : nx - ny;
        return ascending ? c : -c;
      });
      table.querySelectorAll('th').forEach(function (h) { h.removeAttribute('data-order'); });
      th.setAttribute('data-order', ascending ? 'ascending' : 'descending');
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
});
)";

}  // namespace

std::string html_document(const std::string &title, const std::string &body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + escape_xml(title) +
           "</title>\n<style>" + style_sheet + "</style>\n</head>\n<body>\n" + body + "<script>" + sort_script +
           "</script>\n</body>\n</html>\n";
}

std::string sortable_table(const std::string &id, const std::vector<std::string> &headings,
                           const std::vector<std::vector<table_cell>> &rows,
                           const std::vector<std::string> &row_classes) {
    std::string s = "<div class=\"scroll\"><table class=\"sortable\" id=\"" + escape_xml(id) + "\">\n<thead><tr>";
    for (const std::string &h : headings) s += "<th>" + h + "</th>";
    s += "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        s += r < row_classes.size() && !row_classes[r].empty() ? "<tr class=\"" + row_classes[r] + "\">" : "<tr>";
        for (const table_cell &c : rows[r]) {
            bool number = !c.sort_value.empty() && c.sort_value.find_first_not_of("0123456789.-+e") == std::string::npos;
            s += std::string("<td") + (number ? " class=\"num\"" : "") + " data-value=\"" + escape_xml(c.sort_value) +
                 "\">" + c.html + "</td>";
        }
        s += "</tr>\n";
    }
    s += "</tbody></table></div>\n";
    return s;
}

}  // namespace pairfit
