#include "arguments.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

int parse_int_clamped(const char *text) {
    // In base 10 strtoll reads what atoi reads, and saturates instead of
    // overflowing.
    const char *p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    long long value = std::strtoll(p, nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

bool parse_probability(const char *text, double *value) {
    char *end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= 0.0 && v <= 1.0)) return false;
    *value = v;
    return true;
}

bool parse_digits(const char *text, int min, int max, int *value) {
    if (*text == '\0') return false;
    long long v = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + (*p - '0');
        if (v > max) return false;
    }
    if (v < min) return false;
    *value = static_cast<int>(v);
    return true;
}

bool option_spelling::matches(const char *arg) const {
    return std::strcmp(arg, name) == 0 ||
           (two_dashes_too && arg[0] == '-' && std::strcmp(arg + 1, name) == 0);
}

bool parse_count(const char *text, long *value) {
    if (*text == '\0') return false;
    long v = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || v > (LONG_MAX - (*p - '0')) / 10) return false;
        v = v * 10 + (*p - '0');
    }
    if (v < 1) return false;
    *value = v;
    return true;
}
