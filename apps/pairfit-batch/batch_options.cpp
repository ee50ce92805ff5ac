#include "batch_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "arguments.h"

const char BATCH_USAGE[] =
    "Usage: pairfit-batch [options] REFERENCE MODEL...\n"
    "       pairfit-batch [options] --all FILE...\n"
    "       pairfit-batch [options] --pairs PAIRFILE\n"
    "Try 'pairfit-batch --help' for more information.\n";

const char BATCH_HELP[] =
    "Usage: pairfit-batch [options] REFERENCE MODEL...\n"
    "       pairfit-batch [options] --all FILE...\n"
    "       pairfit-batch [options] --pairs PAIRFILE\n"
    "\n"
    "Compares many pairs of structures as pairfit does, reading each file when\n"
    "its pairs need it and running several comparisons at a time.\n"
    "\n"
    "Which pairs:\n"
    "  REFERENCE MODEL...  each MODEL against REFERENCE, as 'pairfit REFERENCE MODEL'\n"
    "  --all FILE...       every ordered pair of different files: a against b and\n"
    "                      b against a (the result is not symmetric)\n"
    "  --list FILE         more file names, one a line, after those on the command\n"
    "                      line; blank lines are skipped; may be given more than once\n"
    "  --pairs FILE        the pairs in FILE, two names a line (file 1, file 2)\n"
    "  --split models      every model of each file is a structure of its own,\n"
    "                      named FILE@/M; with --pairs, every piece of the first\n"
    "                      file against every piece of the second\n"
    "  --split chains      every chain of every model is one, named FILE@/M/C\n"
    "\n"
    "A name FILE@SELECTION compares part of a file: FILE@/1 model 1, FILE@//A\n"
    "chain A of every model, FILE@/1/A,B chains A then B of model 1. A name that\n"
    "exists as a file is always that file.\n"
    "\n"
    "Options:\n"
    "  -min n              the best subset must have more than n pairs (default 19)\n"
    "  -seq                pair residues by a global alignment of the sequences\n"
    "                      instead of by residue number\n"
    "  -struct             pair residues by a structural alignment of the C-alpha\n"
    "                      atoms instead of by residue number (the later of -seq\n"
    "                      and -struct counts; at least 5 atoms a structure)\n"
    "  -complex            map the chains of structures with several chains and\n"
    "                      pair residues chain by chain (as pairfit -complex)\n"
    "  -j N                run N comparisons at a time (default: one per core)\n"
    "  -fast               the fast search (as pairfit -fast), up to 4000000 atoms\n"
    "                      a structure; each comparison on one thread\n"
    "  -max-atoms N        read at most N C-alpha atoms a structure (default 5000,\n"
    "                      which the exact search holds at most; 4000000 with -fast)\n"
    "  --shard K/N         run only the K-th of N consecutive slices of the pairs\n"
    "                      (K = 1..N); the rows of slices 1..N in turn are the rows\n"
    "                      of the whole run\n"
    "  --metrics           seven more columns after the SCORE values: TM-score,\n"
    "                      GDT-TS, GDT-HA, lDDT, RMSD of all pairs, pairs and L,\n"
    "                      as pairfit -metrics prints them (off by default)\n"
    "  -domains            two more columns after those of --metrics: the number of\n"
    "                      rigid domains and the largest angle of a domain's motion\n"
    "                      relative to domain 1, in degrees (as pairfit -domains)\n"
    "  -domain-p P         with -domains: keep a further domain while its p-value\n"
    "                      is at most P (default 0.01)\n"
    "  --warnings          a last column, warnings: every warning of the pair (those\n"
    "                      pairfit prints on standard error, then chains merged),\n"
    "                      joined by ' | '; empty when none (off by default)\n"
    "  --html FILE         also write an HTML page of the results to FILE: with\n"
    "                      --all a clustered heat map of the normalised p-values,\n"
    "                      otherwise the pairs ranked in a bar chart\n"
    "  --resume FILE       write the rows to FILE instead of standard output; if FILE\n"
    "                      holds the rows of an interrupted run of the same command,\n"
    "                      skip its complete rows and append the rest (with --html,\n"
    "                      the page shows every row of FILE)\n"
    "  --scale LOW:HIGH    colour the heat map from LOW to HIGH (normalised p-values)\n"
    "                      instead of from the run's lowest to highest value\n"
    "  --html-from ROWS OUT\n"
    "                      write the HTML page of the rows already in ROWS (e.g.\n"
    "                      shards joined) to OUT, comparing nothing\n"
    "  --                  end of the options (for file names that start with -)\n"
    "  -h, --help          print this help and exit\n"
    "  --version           print the version and exit\n"
    "The options pairfit has too (-min, -seq, -struct, -j, -fast, --html) may be\n"
    "written with one dash or two.\n"
    "\n"
    "Output: a header line, then one tab-separated row a pair, in the order of the\n"
    "pairs whatever the number of threads:\n"
    "  file1 file2 max_natoms size rms score pvalue normalised_pvalue\n"
    "The last six are the values of pairfit's SCORE line. With --metrics, seven\n"
    "more follow: tm_score gdt_ts gdt_ha lddt rmsd pairs reference_length, the\n"
    "values of pairfit's METRICS line. With -domains, two more: domains\n"
    "max_angle. When a file cannot be read, its pairs have\n"
    "the message in place of the values, and the message goes to standard error.\n"
    "With --warnings, every row ends in the warnings column, failed pairs too.\n"
    "A progress line is shown when standard error is a terminal.\n"
    "\n"
    "Exit status: 0 when every pair was compared, 1 when a pair failed or the\n"
    "output could not be written, 2 for a wrong command line, an unreadable\n"
    "--list or --pairs file, no pairs, a file name with a tab or line end, or a\n"
    "--resume file that does not belong to the command.\n";

namespace {

// K/N with 1 <= K <= N.
bool parse_shard(const char *text, int *k, int *n) {
    const char *slash = std::strchr(text, '/');
    if (slash == nullptr) return false;
    std::string first(text, slash);
    return parse_digits(first.c_str(), 1, 1 << 30, k) && parse_digits(slash + 1, 1, 1 << 30, n) && *k <= *n;
}

int default_threads() {
    unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) return 1;
    return cores > MAX_THREADS ? MAX_THREADS : static_cast<int>(cores);
}

void set_defaults(batch_settings *settings) {
    settings->mode = AGAINST_FIRST;
    settings->names.clear();
    settings->list_files.clear();
    settings->pairs_file.clear();
    settings->min_size = 19;
    settings->threads = default_threads();
    settings->fast = false;
    settings->shard = settings->shard_count = 1;
    settings->split = SPLIT_NONE;
    settings->by_sequence = false;
    settings->by_structure = false;
    settings->complex = false;
    settings->html_file.clear();
    settings->resume_file.clear();
    settings->max_atoms = 0;
    settings->metrics = false;
    settings->domains = false;
    settings->domain_pvalue = 0.01;
    settings->warnings = false;
    settings->rows_file.clear();
    settings->fixed_scale = false;
    settings->scale_low = settings->scale_high = 0;
}

// LOW:HIGH, two finite numbers with LOW < HIGH.
bool parse_scale(const char *text, double *low, double *high) {
    char *end = nullptr;
    const double a = std::strtod(text, &end);
    if (end == text || *end != ':') return false;
    const char *second = end + 1;
    const double b = std::strtod(second, &end);
    if (end == second || *end != '\0' || !std::isfinite(a) || !std::isfinite(b) || !(a < b)) return false;
    *low = a;
    *high = b;
    return true;
}

// What reading the command line has found besides the settings.
struct command_line {
    batch_settings &settings;
    bool options_done = false;  // after "--": every argument is a file name
    bool pairs_given = false;   // --pairs
};

// One option of the command line: what it does.
struct option_rule {
    option_spelling spelling;
    batch_parse_status ends;          // BATCH_ARGS_OK, or what reading stops with here
    void (*set)(command_line &line);  // an option without a value
    // One with values, the arguments after it whatever they look like:
    // false, with *error, when one is wrong.
    bool (*read)(command_line &line, char **values, std::string *error);
    int values;
    const char *missing;  // the message when they are missing; nullptr: "OPTION needs a value"
};

// An option that ends reading (help, version).
constexpr option_rule stop(option_spelling spelling, batch_parse_status ends) {
    return {spelling, ends, nullptr, nullptr, 0, nullptr};
}

constexpr option_rule flag(option_spelling spelling, void (*set)(command_line &)) {
    return {spelling, BATCH_ARGS_OK, set, nullptr, 0, nullptr};
}

constexpr option_rule with_value(option_spelling spelling,
                                 bool (*read)(command_line &, char **, std::string *)) {
    return {spelling, BATCH_ARGS_OK, nullptr, read, 1, nullptr};
}

// Whether a value reads; false, with "OPTION needs WHAT, not 'VALUE'" in *error, if not.
bool check(bool reads, const char *option, const std::string &what, const char *value, std::string *error) {
    if (!reads) *error = std::string(option) + " needs " + what + ", not '" + value + "'";
    return reads;
}

// Every option; those pairfit has too are accepted with one dash or two.
const option_rule option_rules[] = {
    flag({"--", false}, [](command_line &line) { line.options_done = true; }),
    stop({"-h", false}, BATCH_ARGS_HELP),
    stop({"--help", false}, BATCH_ARGS_HELP),
    stop({"--version", false}, BATCH_ARGS_VERSION),
    {{"--html-from", false},
     BATCH_ARGS_OK,
     nullptr,
     [](command_line &line, char **values, std::string *) {
         line.settings.rows_file = values[0];
         line.settings.html_file = values[1];
         return true;
     },
     2,
     "--html-from needs a rows file and a page file"},
    flag({"--all", false}, [](command_line &line) { line.settings.mode = ALL_PAIRS; }),
    flag({"-seq", true},
         [](command_line &line) {
             line.settings.by_sequence = true;
             line.settings.by_structure = false;
         }),
    flag({"-struct", true},
         [](command_line &line) {
             line.settings.by_structure = true;
             line.settings.by_sequence = false;
         }),
    flag({"-fast", true}, [](command_line &line) { line.settings.fast = true; }),
    flag({"-metrics", true}, [](command_line &line) { line.settings.metrics = true; }),
    flag({"-complex", true}, [](command_line &line) { line.settings.complex = true; }),
    flag({"-domains", true}, [](command_line &line) { line.settings.domains = true; }),
    flag({"--warnings", false}, [](command_line &line) { line.settings.warnings = true; }),
    with_value({"-min", true},
               [](command_line &line, char **values, std::string *) {
                   line.settings.min_size = parse_int_clamped(values[0]);
                   return true;
               }),
    with_value({"-j", true},
               [](command_line &line, char **values, std::string *error) {
                   return check(parse_digits(values[0], 1, MAX_THREADS, &line.settings.threads), "-j",
                                "a number of threads from 1 to " + std::to_string(MAX_THREADS), values[0],
                                error);
               }),
    with_value({"-html", true},
               [](command_line &line, char **values, std::string *) {
                   line.settings.html_file = values[0];
                   return true;
               }),
    with_value({"-max-atoms", true},
               [](command_line &line, char **values, std::string *error) {
                   return check(parse_count(values[0], &line.settings.max_atoms), "-max-atoms",
                                "a number of C-alpha atoms from 1 up", values[0], error);
               }),
    with_value({"-domain-p", true},
               [](command_line &line, char **values, std::string *error) {
                   return check(parse_probability(values[0], &line.settings.domain_pvalue), "-domain-p",
                                "a p-value from 0 to 1", values[0], error);
               }),
    with_value({"--list", false},
               [](command_line &line, char **values, std::string *) {
                   line.settings.list_files.push_back(values[0]);
                   return true;
               }),
    with_value({"--pairs", false},
               [](command_line &line, char **values, std::string *) {
                   line.settings.pairs_file = values[0];
                   line.pairs_given = true;
                   return true;
               }),
    with_value({"--shard", false},
               [](command_line &line, char **values, std::string *error) {
                   return check(parse_shard(values[0], &line.settings.shard, &line.settings.shard_count),
                                "--shard", "K/N with 1 <= K <= N", values[0], error);
               }),
    with_value({"--split", false},
               [](command_line &line, char **values, std::string *error) {
                   const bool models = std::strcmp(values[0], "models") == 0,
                              chains = std::strcmp(values[0], "chains") == 0;
                   if (models || chains) line.settings.split = models ? SPLIT_MODELS : SPLIT_CHAINS;
                   return check(models || chains, "--split", "'models' or 'chains'", values[0], error);
               }),
    with_value({"--resume", false},
               [](command_line &line, char **values, std::string *) {
                   line.settings.resume_file = values[0];
                   return true;
               }),
    with_value({"--scale", false},
               [](command_line &line, char **values, std::string *error) {
                   const bool reads =
                       parse_scale(values[0], &line.settings.scale_low, &line.settings.scale_high);
                   if (reads) line.settings.fixed_scale = true;
                   return check(reads, "--scale", "LOW:HIGH, two numbers with LOW < HIGH", values[0], error);
               }),
};

}  // namespace

int parse_batch_options(int argc, char **argv, batch_settings *settings, std::string *error) {
    set_defaults(settings);
    command_line line{*settings};
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (line.options_done || arg[0] != '-' || std::strcmp(arg, "-") == 0) {
            settings->names.push_back(arg);
            continue;
        }
        const option_rule *rule = find_option(option_rules, arg);
        if (rule == nullptr) {
            *error = std::string("unknown option '") + arg + "'";
            return BATCH_ARGS_BAD;
        }
        if (rule->ends != BATCH_ARGS_OK) return rule->ends;
        if (rule->set != nullptr) {
            rule->set(line);
            continue;
        }
        if (argc - 1 - i < rule->values) {
            *error = rule->missing != nullptr ? rule->missing : std::string(arg) + " needs a value";
            return BATCH_ARGS_BAD;
        }
        if (!rule->read(line, argv + i + 1, error)) return BATCH_ARGS_BAD;
        i += rule->values;
    }
    if (line.pairs_given) {
        if (settings->mode == ALL_PAIRS || !settings->names.empty() || !settings->list_files.empty()) {
            *error = "--pairs takes no file names, --list or --all";
            return BATCH_ARGS_BAD;
        }
        settings->mode = LISTED_PAIRS;
    }
    if (!settings->rows_file.empty() && (!settings->names.empty() || !settings->list_files.empty() ||
                                         line.pairs_given || !settings->resume_file.empty())) {
        *error =
            "--html-from draws rows already written: it takes no file names, --list, --pairs or --resume";
        return BATCH_ARGS_BAD;
    }
    return BATCH_ARGS_OK;
}
