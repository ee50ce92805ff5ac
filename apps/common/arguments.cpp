#include "arguments.h"

#include <cctype>
#include <climits>
#include <cstdlib>

int parse_int_clamped(const char *text) {
    // In base 10 strtoll reads what atoi reads, and saturates instead of
    // overflowing.
    const char *p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    long long value = std::strtoll(p, nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}
