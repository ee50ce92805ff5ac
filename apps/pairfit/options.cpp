#include "options.h"

#include <cstdio>
#include <cstring>

#include "arguments.h"
#include "pairfit/structure.h"

std::string help_text() {
    const run_settings defaults;
    const std::string min_size = std::to_string(defaults.min_size);
    const std::string threads = std::to_string(defaults.threads);
    const std::string max_atoms = std::to_string(pairfit::max_exact_atoms);
    const std::string fast_atoms = std::to_string(pairfit::default_fast_atoms);
    char domain_pvalue[32];
    std::snprintf(domain_pvalue, sizeof domain_pvalue, "%g", defaults.domain_pvalue);
    return "Usage: pairfit [options] file1 file2\n"
           "\n"
           "Compares the C-alpha atoms of two structures (PDB or mmCIF, plain or\n"
           "gzip-compressed), paired by residue number, and prints the SCORE line of\n"
           "the most significant superimposable subset of pairs: max_natoms size rms\n"
           "score pvalue normalised_pvalue. File 1 is the reference; file 2 is moved\n"
           "onto it. Either file may be named FILE@SELECTION to compare part of it:\n"
           "FILE@/1 model 1, FILE@//A chain A of every model, FILE@/1/A,B chains A\n"
           "then B of model 1.\n"
           "\n"
           "Options (an argument is an option only when it is exactly one of these):\n"
           "  -min n, --min n   a best subset must have more than n pairs [" +
           min_size +
           "]\n"
           "  -seq, --seq       pair residues by a global alignment of the two sequences\n"
           "                    instead of by residue number [off]\n"
           "  -struct, --struct pair residues by a structural alignment of the C-alpha\n"
           "                    atoms instead of by residue number [off]\n"
           "  -pairs FILE       pair residues as the two-record FASTA alignment in FILE\n"
           "                    does (file 1's sequence first; '-' for gaps) [none]\n"
           "  -aln              print the alignment the pairs make after the SCORE line\n"
           "  -o                print the per-atom deviation table of the best subset\n"
           "  -b                print the best score and p-value of every subset size\n"
           "  -pdb FILE         write both structures, superposed on the best subset,\n"
           "                    to FILE [none]\n"
           "  -html FILE, --html FILE\n"
           "                    write a report page for people to FILE (HTML) [none]\n"
           "  -sup FILE         write every atom of both structures, superposed on the\n"
           "                    best subset, to FILE: mmCIF when FILE ends in .cif,\n"
           "                    else PDB [none]\n"
           "  -pml FILE         with -sup: write a PyMOL script to FILE that shows the\n"
           "                    -sup file (named by its absolute path), structure 1\n"
           "                    and 2 as two objects, best subset and other residues\n"
           "                    in four colours [none]\n"
           "  -a                print a progress line (FRAC1) after every growth step\n"
           "                    and a GOOD1 line for every new best subset\n"
           "  -f                like -a, but at most five FRAC1 lines\n"
           "  -v                print the per-atom table after every growth step\n"
           "  -1, -2            accepted for compatibility; they change nothing\n"
           "  -fast, --fast     the fast search: faster on large structures, up to\n"
           "                    " +
           fast_atoms + " atoms a structure (else at most " + max_atoms +
           ") [off]\n"
           "  -max-atoms N, --max-atoms N\n"
           "                    read at most N C-alpha atoms a structure: lowers the\n"
           "                    limit, or with -fast sets it [" +
           max_atoms + "; -fast: " + fast_atoms +
           "]\n"
           "  -j N, --j N       with -fast: search on N threads; 0: one per core [" +
           threads +
           "]\n"
           "  -metrics, --metrics\n"
           "                    print a last line METRICS: TM-score, GDT-TS, GDT-HA,\n"
           "                    lDDT, RMSD of all pairs, pairs and L [off]\n"
           "  -json FILE, --json FILE\n"
           "                    write the whole comparison to FILE as JSON [none]\n"
           "  -complex, --complex\n"
           "                    map the chains of two structures with several chains,\n"
           "                    pair residues chain by chain (by number, with -seq\n"
           "                    by sequence, with -struct by structure) and print a\n"
           "                    CHAINS line [off]\n"
           "  -domains, --domains\n"
           "                    print a DOMAIN line for each rigid domain: the best\n"
           "                    subset, then those the same search finds in the pairs\n"
           "                    left [off]\n"
           "  -domain-p P, --domain-p P\n"
           "                    with -domains: keep a further domain while its p-value\n"
           "                    is at most P [" +
           std::string(domain_pvalue) +
           "]\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Exit status: 0 when the comparison ran to the end, 1 otherwise.\n";
}

namespace {

// One option of the command line: what it does to the settings.
// Exactly one of set, read and file is given, or none for stop.
struct option_rule {
    option_spelling spelling;
    parse_status ends;                                        // ARGS_OK, or what reading stops with here
    void (*set)(run_settings &settings);                      // an option without a value
    bool (*read)(run_settings &settings, const char *value);  // one with: false when the value does not read
    const char *run_settings::*file;  // one whose value is a file name, stored as it is
    parse_status bad_value;           // returned when the value is missing or does not read
};

// An option that ends reading (help, version).
constexpr option_rule stop(option_spelling spelling, parse_status ends) {
    return {spelling, ends, nullptr, nullptr, nullptr, ARGS_OK};
}

constexpr option_rule flag(option_spelling spelling, void (*set)(run_settings &)) {
    return {spelling, ARGS_OK, set, nullptr, nullptr, ARGS_OK};
}

// An option whose value is the next argument, whatever it looks like.
constexpr option_rule with_value(option_spelling spelling, parse_status bad_value,
                                 bool (*read)(run_settings &, const char *)) {
    return {spelling, ARGS_OK, nullptr, read, nullptr, bad_value};
}

// An option whose value, the next argument whatever it looks like, is a
// file name: without one the command line is wrong.
constexpr option_rule file_name(option_spelling spelling, const char *run_settings::*file) {
    return {spelling, ARGS_OK, nullptr, nullptr, file, ARGS_USAGE};
}

// Every option: an argument that is none of them is a file name.
const option_rule option_rules[] = {
    stop({"-h", false}, ARGS_HELP),
    stop({"--help", false}, ARGS_HELP),
    stop({"--version", false}, ARGS_VERSION),
    flag({"-v", false}, [](run_settings &settings) { settings.step_tables = true; }),
    flag({"-f", false},
         [](run_settings &settings) {
             settings.progress = true;
             settings.frac_step = 0.2;
         }),
    flag({"-a", false},
         [](run_settings &settings) {
             settings.progress = true;
             settings.frac_step = 0.0;
         }),
    // accepted for compatibility; they change nothing
    flag({"-1", false}, [](run_settings &) {}),
    flag({"-2", false}, [](run_settings &) {}),
    flag({"-o", false}, [](run_settings &settings) { settings.table = true; }),
    flag({"-b", false}, [](run_settings &settings) { settings.per_size = true; }),
    flag({"-seq", true},
         [](run_settings &settings) {
             settings.by_sequence = true;
             settings.by_structure = false;
         }),
    flag({"-struct", true},
         [](run_settings &settings) {
             settings.by_structure = true;
             settings.by_sequence = false;
         }),
    flag({"-aln", false}, [](run_settings &settings) { settings.alignment_lines = true; }),
    flag({"-metrics", true}, [](run_settings &settings) { settings.metrics = true; }),
    flag({"-fast", true}, [](run_settings &settings) { settings.fast = true; }),
    flag({"-complex", true}, [](run_settings &settings) { settings.complex = true; }),
    flag({"-domains", true}, [](run_settings &settings) { settings.domains = true; }),
    with_value({"-domain-p", true}, ARGS_BAD_DOMAIN_P,
               [](run_settings &settings, const char *value) {
                   return parse_probability(value, &settings.domain_pvalue);
               }),
    with_value({"-j", true}, ARGS_BAD_THREADS,
               [](run_settings &settings, const char *value) {
                   return parse_digits(value, 0, 4096, &settings.threads);
               }),
    with_value(
        {"-max-atoms", true}, ARGS_BAD_MAX_ATOMS,
        [](run_settings &settings, const char *value) { return parse_count(value, &settings.max_atoms); }),
    with_value({"-min", true}, ARGS_USAGE,
               [](run_settings &settings, const char *value) {
                   settings.min_size = parse_int_clamped(value);
                   return true;
               }),
    file_name({"-pairs", false}, &run_settings::pairs_file),
    file_name({"-pdb", false}, &run_settings::coordinate_file),
    file_name({"-sup", false}, &run_settings::superposed_file),
    file_name({"-pml", false}, &run_settings::pymol_file),
    file_name({"-html", true}, &run_settings::html_file),
    file_name({"-json", true}, &run_settings::json_file),
};

}  // namespace

parse_status parse_command_line(int argc, char **argv, run_settings *settings, const char **too_long) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const option_rule *rule = find_option(option_rules, arg);
        if (rule == nullptr) {
            if (files == 0) settings->file1 = arg;
            if (files == 1) settings->file2 = arg;
            ++files;
            continue;
        }
        if (rule->ends != ARGS_OK) return rule->ends;
        if (rule->set != nullptr) {
            rule->set(*settings);
        } else if (i + 1 == argc) {
            return rule->bad_value;
        } else if (rule->file != nullptr) {
            settings->*rule->file = argv[++i];
        } else if (!rule->read(*settings, argv[++i])) {
            return rule->bad_value;
        }
    }
    if (files != 2) return ARGS_USAGE;
    if (settings->pymol_file != nullptr && settings->superposed_file == nullptr) return ARGS_PML_WITHOUT_SUP;

    const char *names[3] = {settings->file1, settings->file2, settings->coordinate_file};
    for (const char *name : names)
        if (name != nullptr && std::strlen(name) > MAX_PATH_LENGTH) {
            *too_long = name;
            return ARGS_NAME_TOO_LONG;
        }
    return ARGS_OK;
}
