#include "report/pymol_script.h"

#include <cstdio>

namespace pairfit {

// Blue and light cyan for structure 1, orange-red and yellow for structure
// 2: four hues far enough apart to tell at a glance.
const pymol_colour pymol_colours[4] = {
    {"pairfit_subset1", 0.15, 0.35, 1.0},
    {"pairfit_outside1", 0.3, 0.9, 0.9},
    {"pairfit_subset2", 1.0, 0.35, 0.1},
    {"pairfit_outside2", 0.95, 0.85, 0.2},
};

namespace {

// text as a Python string literal: any path survives, commas included,
// which PyMOL's own command syntax would split.
std::string python_literal(const std::string &text) {
    std::string literal = "'";
    for (unsigned char c : text) {
        if (c == '\\' || c == '\'') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            literal += escaped;
        } else {
            literal += static_cast<char>(c);
        }
    }
    return literal + "'";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

std::string pymol_script_text(const std::string &superposed_path, int first_models) {
    std::string script =
        "# The superposition written by pairfit: structure 2 moved onto structure 1.\n"
        "# Residues in the best subset have B-factor 1, the others 0.\n"
        "python\n"
        "cmd.load(" +
        python_literal(superposed_path) +
        ", 'pairfit_superposed')\n"
        "python end\n"
        "create structure1, pairfit_superposed, 1, 1\n"
        "create structure2, pairfit_superposed, " +
        std::to_string(first_models + 1) +
        ", 1\n"
        "delete pairfit_superposed\n";
    for (const pymol_colour &c : pymol_colours)
        script += std::string("set_color ") + c.name + ", [" + number(c.red) + ", " + number(c.green) + ", " +
                  number(c.blue) + "]\n";
    script +=
        "hide everything\n"
        "set ribbon_width, 4\n"
        "show ribbon, structure1 or structure2\n"
        "color pairfit_outside1, structure1\n"
        "color pairfit_subset1, structure1 and b > 0.5\n"
        "color pairfit_outside2, structure2\n"
        "color pairfit_subset2, structure2 and b > 0.5\n"
        "orient structure1 or structure2\n";
    return script;
}

}  // namespace pairfit
