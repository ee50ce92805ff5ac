# Writes the bytes of INPUT into OUTPUT as a C++ source that defines
#   std::string_view NAME()
# in namespace pairfit, so that a program carries the file with it.
# Run with: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# A line break every 32 bytes keeps the source readable for compilers and diffs.
string(REGEX REPLACE "(('[^']*',){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
"// Generated from ${INPUT} by cmake/embed_file.cmake; do not edit.
#include <string_view>
namespace pairfit {
namespace {
const char bytes[${size} + 1] = {
${bytes}
0};
}  // namespace
std::string_view ${NAME}() { return std::string_view(bytes, ${size}); }
}  // namespace pairfit
")
