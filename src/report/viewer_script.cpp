#include "report/viewer_script.h"

namespace pairfit {

std::string viewer_script_with_licence() {
    std::string licence(viewer_licence());
    // The licence is plain text; keep it from closing the comment early.
    for (std::size_t at = licence.find("*/"); at != std::string::npos; at = licence.find("*/", at))
        licence.replace(at, 2, "* /");
    return "/*\n" + licence + "*/\n" + std::string(viewer_script());
}

}  // namespace pairfit
