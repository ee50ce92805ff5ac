// Small pieces shared by the SVG plots and HTML pages: escaping text and
// printing numbers the same way on every machine.
#ifndef PAIRFIT_REPORT_SVG_H
#define PAIRFIT_REPORT_SVG_H

#include <string>
#include <string_view>

namespace pairfit {

// text with &, <, >, " and ' replaced by entities, for element text and
// attribute values alike.
std::string escape_xml(std::string_view text);

// text as a JSON string literal, quotes included; <, > and & as \u
// escapes, so that it may stand inside a <script> element.
std::string json_string(std::string_view text);

// value with `decimals` digits after the point ("%.*f"), "-0" printed as "0".
std::string fixed(double value, int decimals);

// value as printf's %e prints it ("4.334193e-05").
std::string scientific(double value);

// The colour of t in [0, 1] on a blue (0) to yellow (1) scale that stays
// readable in grey print; t outside [0, 1] is clamped. "#rrggbb".
std::string scale_colour(double t);

// A linear map from [from_low, from_high] to [to_low, to_high].
struct linear_axis {
    double from_low, from_high, to_low, to_high;
    double operator()(double v) const {
        if (from_high == from_low) return (to_low + to_high) / 2;
        return to_low + (v - from_low) * (to_high - to_low) / (from_high - from_low);
    }
};

// Round tick positions covering [low, high]: about `count` multiples of 1,
// 2 or 5 times a power of ten.
double tick_step(double low, double high, int count);

}  // namespace pairfit

#endif
