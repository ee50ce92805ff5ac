#include "report/size_plot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "report/svg.h"

namespace pairfit {

namespace {

constexpr double width = 960, panel_height = 180;
constexpr double left = 64, right = 16, top = 16, bottom = 40, between = 24;

struct size_point {
    int size;
    double score, pvalue;
};

std::string line(double x1, double y1, double x2, double y2, const char *cls) {
    return "<line class=\"" + std::string(cls) + "\" x1=\"" + fixed(x1, 1) + "\" y1=\"" + fixed(y1, 1) +
           "\" x2=\"" + fixed(x2, 1) + "\" y2=\"" + fixed(y2, 1) + "\"/>\n";
}

std::string text(double x, double y, const char *cls, const char *anchor, const std::string &content) {
    return "<text class=\"" + std::string(cls) + "\" x=\"" + fixed(x, 1) + "\" y=\"" + fixed(y, 1) +
           "\" dy=\"0.35em\" text-anchor=\"" + anchor + "\">" + content + "</text>\n";
}

// log10 of p, with 0 (an underflow) drawn at the smallest double.
double log_p(double p) {
    return std::log10(std::max(p, DBL_MIN));
}

}  // namespace

std::string size_plot_svg(const result &r, int min_size) {
    std::vector<size_point> points;
    for (std::size_t n = 1; n < r.score_by_size.size(); ++n)
        if (r.score_by_size[n] > 0)
            points.push_back({static_cast<int>(n), r.score_by_size[n],
                              score_pvalue(static_cast<int>(n), r.score_by_size[n])});
    int max_size = std::max(1, r.npairs);
    double max_score = 1, min_log = -1;
    for (const size_point &p : points) {
        max_score = std::max(max_score, p.score);
        min_log = std::min(min_log, std::floor(log_p(p.pvalue)));
    }
    double height = top + 2 * panel_height + between + bottom;
    linear_axis x{0, static_cast<double>(max_size), left, width - right};
    double score_top = top, score_bottom = top + panel_height;
    double p_top = score_bottom + between, p_bottom = p_top + panel_height;
    linear_axis ys{0, max_score * 1.05, score_bottom, score_top};
    linear_axis yp{min_log, 0, p_bottom, p_top};

    std::string s = "<svg class=\"size-plot\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    fixed(width, 0) + " " + fixed(height, 0) + "\" role=\"img\">\n";
    s += "<title>Best score and its p-value for each subset size</title>\n";
    if (min_size > 0)
        s += "<rect class=\"not-accepted\" x=\"" + fixed(left, 1) + "\" y=\"" + fixed(score_top, 1) +
             "\" width=\"" + fixed(x(std::min(min_size, max_size) + 0.5) - left, 1) + "\" height=\"" +
             fixed(p_bottom - score_top, 1) + "\"><title>sizes up to " + std::to_string(min_size) +
             " cannot be accepted (-min)</title></rect>\n";
    double sstep = tick_step(0, max_score * 1.05, 4);
    for (double v = 0; v <= max_score * 1.05; v += sstep)
        s += line(left, ys(v), width - right, ys(v), "grid") +
             text(left - 6, ys(v), "tick", "end", fixed(v, 0));
    double pstep = std::max(1.0, tick_step(min_log, 0, 5));
    for (double v = 0; v >= min_log; v -= pstep)
        s += line(left, yp(v), width - right, yp(v), "grid") +
             text(left - 6, yp(v), "tick", "end", v == 0 ? "1" : "1e" + fixed(v, 0));
    double xstep = std::max(1.0, tick_step(0, max_size, 10));
    for (double v = 0; v <= max_size; v += xstep)
        s += text(x(v), p_bottom + 12, "tick", "middle", fixed(v, 0));
    s += "<text class=\"axis-label\" transform=\"translate(14," + fixed((score_top + score_bottom) / 2, 0) +
         ") rotate(-90)\" text-anchor=\"middle\">best score</text>\n";
    s += "<text class=\"axis-label\" transform=\"translate(14," + fixed((p_top + p_bottom) / 2, 0) +
         ") rotate(-90)\" text-anchor=\"middle\">p-value</text>\n";
    s += text((left + width - right) / 2, height - 8, "axis-label", "middle", "subset size (pairs)");
    if (r.size > 0) {
        s += line(x(r.size), score_top, x(r.size), p_bottom, "chosen");
        s += text(x(r.size) - 4, score_top + 8, "chosen-label", "end", "best: " + std::to_string(r.size));
    }
    for (const char *panel : {"score", "pvalue"}) {
        bool score_panel = panel[0] == 's';
        s += "<g class=\"" + std::string(panel) + "-points\">\n";
        for (const size_point &p : points) {
            double cy = score_panel ? ys(p.score) : yp(log_p(p.pvalue));
            s += "<circle class=\"size" + std::string(p.size == r.size ? " chosen-point" : "") + "\" cx=\"" +
                 fixed(x(p.size), 1) + "\" cy=\"" + fixed(cy, 1) + "\" r=\"" +
                 (p.size == r.size ? "4" : "1.8") + "\"><title>size " + std::to_string(p.size) + ": score " +
                 fixed(p.score, 1) + ", p-value " + scientific(p.pvalue) + "</title></circle>\n";
        }
        s += "</g>\n";
    }
    s += line(left, score_top, left, score_bottom, "axis") + line(left, p_top, left, p_bottom, "axis");
    s += "</svg>\n";
    return s;
}

}  // namespace pairfit
