// The command line of pairfit-batch.
#ifndef PAIRFIT_BATCH_OPTIONS_H
#define PAIRFIT_BATCH_OPTIONS_H

#include <string>
#include <vector>

#include "pair_list.h"
#include "split.h"

enum { MAX_THREADS = 4096 };

struct batch_settings {
    pair_mode mode;                       // AGAINST_FIRST, ALL_PAIRS (--all), LISTED_PAIRS (--pairs)
    std::vector<std::string> names;       // file names given on the command line
    std::vector<std::string> list_files;  // --list, in order
    std::string pairs_file;               // --pairs
    int min_size;                         // -min, as for pairfit; default 19
    int threads;                          // -j; default: the number of cores
    bool fast;                            // -fast: the fast search, one thread a pair
    int shard, shard_count;               // --shard K/N; default 1/1
    split_mode split;                     // --split models|chains; default SPLIT_NONE
    bool by_sequence;                     // -seq: pair residues by sequence, not by number
    bool by_structure;                    // -struct: pair residues by structural alignment
    bool complex;                         // -complex: map the chains of assemblies first
    std::string html_file;                // --html: the report page; empty: none
    std::string resume_file;              // --resume: continue this output file; empty: none
    long max_atoms;                       // -max-atoms: C-alpha atoms read at most; 0: the mode's default
    bool metrics;                         // --metrics: the METRICS values as further columns
    bool domains;                         // -domains: the domain count and largest angle as further columns
    double domain_pvalue;                 // -domain-p: the largest p-value of a further domain
    bool warnings;                        // --warnings: every warning of a pair as a last column
    std::string rows_file;                // --html-from ROWS OUT: draw the page of ROWS; empty: none
    bool fixed_scale;                     // --scale LOW:HIGH: the heat map's colour bounds
    double scale_low, scale_high;
};

enum batch_parse_status {
    BATCH_ARGS_OK = 0,
    BATCH_ARGS_HELP,     // -h or --help
    BATCH_ARGS_VERSION,  // --version
    BATCH_ARGS_BAD,      // the reason is in *error
};

// Sets the defaults, then reads the arguments after the program name.
// Options may stand anywhere; "--" ends them. The count of file names is
// checked once the --list files have been read.
int parse_batch_options(int argc, char **argv, batch_settings *settings, std::string *error);

// The synopsis printed after a wrong command line, and the --help text.
extern const char BATCH_USAGE[];
extern const char BATCH_HELP[];

#endif
