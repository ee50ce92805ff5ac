#include "structure/read_errors.h"

namespace pairfit {

std::string read_failure_message(read_failure kind, const std::string &path, size_t max_atoms) {
    switch (kind) {
    case read_failure::cannot_open:
        return "Couldn't open file " + path;
    case read_failure::unreadable:
        return "Error reading file " + path;
    case read_failure::too_many_atoms:
        return "Too many C-alpha atoms in file " + path + " (at most " + std::to_string(max_atoms) + ")";
    case read_failure::bad_selection:
        return "Bad selection for file " + path;
    case read_failure::nothing_selected:
        return "Selection matches nothing in file " + path;
    case read_failure::out_of_memory:
        return "Out of memory reading file " + path;
    }
    return "Error reading file " + path;
}

void fail_read(read_failure kind, const std::string &path, size_t max_atoms) {
    throw read_error(kind, path, read_failure_message(kind, path, max_atoms));
}

}  // namespace pairfit
