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
           "  -min n, --min n   a best subset must have more than n pairs [" + min_size + "]\n"
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
           "                    " + fast_atoms + " atoms a structure (else at most " + max_atoms + ") [off]\n"
           "  -max-atoms N, --max-atoms N\n"
           "                    read at most N C-alpha atoms a structure: lowers the\n"
           "                    limit, or with -fast sets it [" + max_atoms + "; -fast: " + fast_atoms + "]\n"
           "  -j N, --j N       with -fast: search on N threads; 0: one per core [" + threads + "]\n"
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
           "                    is at most P [" + std::string(domain_pvalue) + "]\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Exit status: 0 when the comparison ran to the end, 1 otherwise.\n";
}

parse_status parse_command_line(int argc, char **argv, run_settings *settings,
                                const char **too_long) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            return ARGS_HELP;
        } else if (std::strcmp(arg, "--version") == 0) {
            return ARGS_VERSION;
        } else if (std::strcmp(arg, "-v") == 0) {
            settings->step_tables = true;
        } else if (std::strcmp(arg, "-f") == 0) {
            settings->progress = true;
            settings->frac_step = 0.2;
        } else if (std::strcmp(arg, "-a") == 0) {
            settings->progress = true;
            settings->frac_step = 0.0;
        } else if (std::strcmp(arg, "-1") == 0 || std::strcmp(arg, "-2") == 0) {
            // accepted for compatibility; they change nothing
        } else if (std::strcmp(arg, "-o") == 0) {
            settings->table = true;
        } else if (std::strcmp(arg, "-b") == 0) {
            settings->per_size = true;
        } else if (is_option(arg, "seq")) {
            settings->by_sequence = true;
            settings->by_structure = false;
        } else if (is_option(arg, "struct")) {
            settings->by_structure = true;
            settings->by_sequence = false;
        } else if (std::strcmp(arg, "-aln") == 0) {
            settings->alignment_lines = true;
        } else if (std::strcmp(arg, "-pairs") == 0) {
            if (i + 1 == argc) return ARGS_USAGE;
            settings->pairs_file = argv[++i];
        } else if (is_option(arg, "metrics")) {
            settings->metrics = true;
        } else if (is_option(arg, "fast")) {
            settings->fast = true;
        } else if (is_option(arg, "complex")) {
            settings->complex = true;
        } else if (is_option(arg, "domains")) {
            settings->domains = true;
        } else if (is_option(arg, "domain-p")) {
            if (i + 1 == argc || !parse_probability(argv[i + 1], &settings->domain_pvalue))
                return ARGS_BAD_DOMAIN_P;
            ++i;
        } else if (is_option(arg, "j")) {
            if (i + 1 == argc || !parse_digits(argv[i + 1], 0, 4096, &settings->threads))
                return ARGS_BAD_THREADS;
            ++i;
        } else if (is_option(arg, "max-atoms")) {
            if (i + 1 == argc || !parse_count(argv[i + 1], &settings->max_atoms)) return ARGS_BAD_MAX_ATOMS;
            ++i;
        } else if (std::strcmp(arg, "-pdb") == 0 || is_option(arg, "min") ||
                   is_option(arg, "html") || std::strcmp(arg, "-sup") == 0 || is_option(arg, "json") ||
                   std::strcmp(arg, "-pml") == 0) {
            // The next argument is the value, whatever it looks like.
            if (i + 1 == argc) return ARGS_USAGE;
            const char *value = argv[++i];
            if (std::strcmp(arg, "-pdb") == 0)
                settings->coordinate_file = value;
            else if (std::strcmp(arg, "-sup") == 0)
                settings->superposed_file = value;
            else if (std::strcmp(arg, "-pml") == 0)
                settings->pymol_file = value;
            else if (is_option(arg, "html"))
                settings->html_file = value;
            else if (is_option(arg, "json"))
                settings->json_file = value;
            else
                settings->min_size = parse_int_clamped(value);
        } else {
            if (files == 0) settings->file1 = arg;
            if (files == 1) settings->file2 = arg;
            ++files;
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
