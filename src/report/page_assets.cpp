#include "report/page_assets.h"

namespace pairfit {

namespace {

// The line of viewer.js where domain_axes.js goes.
constexpr std::string_view domain_axes_marker =
    "    // The domains' axes, when the page has any, are drawn here.\n";

}  // namespace

std::string viewer_setup_script(bool with_domain_axes) {
    std::string script(viewer_drawing_script());
    const std::size_t at = script.find(domain_axes_marker);
    script.replace(at, domain_axes_marker.size(),
                   with_domain_axes ? domain_axes_script() : std::string_view());
    return script;
}

}  // namespace pairfit
