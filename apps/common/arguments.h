// Command-line helpers shared by pairfit and pairfit-batch.
#ifndef PAIRFIT_APPS_ARGUMENTS_H
#define PAIRFIT_APPS_ARGUMENTS_H

#include <cstddef>

// File names and the coordinate-file path have always been held in
// 800-byte records: longer ones are refused as "File name too long".
constexpr std::size_t MAX_PATH_LENGTH = 799;

// A decimal integer as atoi reads it (leading white space, optional sign,
// digits up to the first other character, 0 without digits), clamped to
// the int range.
int parse_int_clamped(const char *text);

// A decimal number written as digits only, from min to max: true, with
// the number in *value, or false and *value unchanged.
bool parse_digits(const char *text, int min, int max, int *value);

// How an option is written: name in full, with one dash ("-seq") or, for
// an option of one program's own, two ("--help"); with two_dashes_too the
// same name with one more dash in front ("--seq") is the option too: both
// programs accept -html and --html alike for the options they share.
struct option_spelling {
    const char *name;
    bool two_dashes_too;

    // Whether arg, as a whole, is this option.
    bool matches(const char *arg) const;
};

// The first of rules (each with a member spelling) that arg is, or nullptr
// when arg is none of them.
template <class Rule, std::size_t N>
const Rule *find_option(const Rule (&rules)[N], const char *arg) {
    for (const Rule &rule : rules)
        if (rule.spelling.matches(arg)) return &rule;
    return nullptr;
}

// A count written as digits only, from 1 up, without overflow: true, with
// the count in *value, or false and *value unchanged.
bool parse_count(const char *text, long *value);
// A number from 0 to 1, written in full (as strtod reads it, nothing
// after it): true, with the number in *value, or false and *value unchanged.
bool parse_probability(const char *text, double *value);

#endif
