// The errors of a failed read, shared by the readers of every format.
#ifndef PAIRFIT_READ_ERRORS_H
#define PAIRFIT_READ_ERRORS_H

#include <string>

#include "pairfit/structure.h"

namespace pairfit {

// The messages of a failed read, as the programs print them.
std::string read_failure_message(read_failure kind, const std::string &path, size_t max_atoms);

// Throws the read_error of kind for path.
[[noreturn]] void fail_read(read_failure kind, const std::string &path, size_t max_atoms);

}  // namespace pairfit

#endif
