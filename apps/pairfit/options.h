// The command line of pairfit.
#ifndef PAIRFIT_OPTIONS_H
#define PAIRFIT_OPTIONS_H

#define USAGE_LINE "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n"

struct run_settings {
    int min_size;         // a best subset must have more pairs than this
    double frac_step;     // fall of the FRAC1 fraction limit: 0.2 with -f, 0.0 with -a
    const char *file1;    // the two file names, as given
    const char *file2;
};

enum parse_status {
    ARGS_OK = 0,
    ARGS_USAGE,           // not exactly two file names, or -pdb/-min without a value
    ARGS_NAME_TOO_LONG,   // a file name or the -pdb path has 800 characters or more
};

// Sets the defaults, then reads the arguments after the program name: the
// switches go to their global flags and "-pdb" to outfile, the rest to
// settings. Options match whole arguments only; the later of two wins.
// With ARGS_NAME_TOO_LONG, *too_long points to the offending name.
int parse_command_line(int argc, char **argv, run_settings *settings, const char **too_long);

// A decimal integer as atoi reads it (leading white space, optional sign,
// digits up to the first other character, 0 without digits), clamped to
// the int range.
int parse_int_clamped(const char *text);

#endif
