// The command line of pairfit.
#ifndef PAIRFIT_APP_OPTIONS_H
#define PAIRFIT_APP_OPTIONS_H

#include <string>

#define USAGE_LINE "Usage: pairfit [ -a -f -v -1 -2 ] file1 file2\n"
// Follows the usage line, on standard error.
#define USAGE_HINT "Try 'pairfit -h' for a list of every option.\n"

struct run_settings {
    int min_size = 19;                      // a best subset must have more pairs than this
    bool progress = false;                  // -a, -f: FRAC1 and GOOD1 lines
    double frac_step = 0.0;                 // fall of the FRAC1 fraction limit: 0.2 with -f, 0.0 with -a
    bool step_tables = false;               // -v: the per-pair table after every growth step
    bool table = false;                     // -o: the per-pair table of the best subset
    bool per_size = false;                  // -b: the SCORE-TEST lines
    const char *coordinate_file = nullptr;  // -pdb
    bool by_sequence = false;               // -seq: pair residues by sequence alignment, not by number
    bool by_structure =
        false;  // -struct: pair residues by structural alignment (the later of -seq, -struct wins)
    const char *pairs_file =
        nullptr;  // -pairs: pair residues as this FASTA alignment does (before -seq, -struct)
    bool alignment_lines = false;           // -aln: the three alignment lines after the SCORE line
    const char *html_file = nullptr;        // -html: the report page
    const char *superposed_file = nullptr;  // -sup: both structures, every atom, superposed
    const char *pymol_file = nullptr;       // -pml: a PyMOL script that shows the -sup file
    bool fast = false;                      // -fast: the fast search
    int threads = 1;                        // -j: its threads (0: every core)
    long max_atoms = 0;    // -max-atoms: C-alpha atoms read at most a structure; 0: the mode's default
    bool metrics = false;  // -metrics: the METRICS line
    const char *json_file = nullptr;  // -json: the comparison as a JSON document
    bool complex = false;             // -complex: map the chains of two assemblies, pair chain by chain
    bool domains = false;             // -domains: the DOMAIN lines
    double domain_pvalue = 0.01;      // -domain-p: the largest p-value of a further domain
    const char *file1 = nullptr;      // the two structure names (FILE or FILE@SELECTION), as given
    const char *file2 = nullptr;
};

enum parse_status {
    ARGS_OK = 0,
    ARGS_USAGE,            // not exactly two file names, or -pdb/-min/-html/-sup/-pairs/-json without a value
    ARGS_NAME_TOO_LONG,    // a file name or the -pdb path has 800 characters or more
    ARGS_BAD_THREADS,      // -j without a whole number from 0 up
    ARGS_PML_WITHOUT_SUP,  // -pml without -sup: the script shows the -sup file
    ARGS_HELP,             // -h or --help: print help_text() and exit 0
    ARGS_VERSION,          // --version: print the version and exit 0
    ARGS_BAD_MAX_ATOMS,    // -max-atoms without a whole number from 1 up
    ARGS_BAD_DOMAIN_P,     // -domain-p without a number from 0 to 1
};

// The full usage: every option with its default.
std::string help_text();

// Reads the arguments after the program name into *settings, which holds
// the defaults. Options match whole arguments only; the later of two wins.
// With ARGS_NAME_TOO_LONG, *too_long points to the offending name.
parse_status parse_command_line(int argc, char **argv, run_settings *settings, const char **too_long);

#endif
