// The 3-D viewer's JavaScript (3Dmol.js, BSD-3-Clause, vendored under
// third_party/3dmol/), compiled into the program from files that
// cmake/embed_file.cmake turns into sources.
#ifndef PAIRFIT_REPORT_VIEWER_SCRIPT_H
#define PAIRFIT_REPORT_VIEWER_SCRIPT_H

#include <string>
#include <string_view>

namespace pairfit {

std::string_view viewer_script();   // the minified library
std::string_view viewer_licence();  // its licence text

// The library preceded by its licence as a comment, ready for a page.
std::string viewer_script_with_licence();

}  // namespace pairfit

#endif
