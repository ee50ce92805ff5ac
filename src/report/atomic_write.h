// Writing an output file so that it is either complete or absent.
#ifndef PAIRFIT_REPORT_ATOMIC_WRITE_H
#define PAIRFIT_REPORT_ATOMIC_WRITE_H

#include <string>
#include <string_view>

namespace pairfit {

// Writes content to a new temporary file in path's directory and renames it
// to path. Returns false, leaving path as it was and no temporary file
// behind, when any step fails.
bool write_file_atomically(const std::string &path, std::string_view content);

}  // namespace pairfit

#endif
