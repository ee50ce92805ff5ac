// The results of a batch run as the batch report draws them.
#ifndef PAIRFIT_REPORT_BATCH_TABLE_H
#define PAIRFIT_REPORT_BATCH_TABLE_H

#include <string>
#include <vector>

namespace pairfit {

// Between the warnings of a pair in pairfit-batch --warnings' column and on
// its page: no warning holds it (names that do are refused).
constexpr char warnings_separator[] = " | ";

// One compared (or failed) pair of a batch run.
struct batch_entry {
    int file1 = 0, file2 = 0;  // indices into batch_table::files
    std::string values;        // the six SCORE values, tab-separated, as in the output table
    std::string error;         // non-empty: the pair was not compared, for this reason
    std::string warnings;      // with warnings_column: the pair's warnings, joined by warnings_separator
};

struct batch_table {
    std::vector<std::string> files;  // every file of the run, in order
    bool all_pairs = false;          // --all: every ordered pair of different files
    bool warnings_column = false;    // --warnings: the table shows each pair's warnings
    std::vector<batch_entry> entries;
    // The options of the run that change its values, as typed ("-min 19
    // -seq"); empty when unknown (a page drawn from rows already written).
    std::string options;
    // Colour bounds of the heat map given by the user; otherwise the lowest
    // and highest value of the run.
    bool fixed_scale = false;
    double scale_low = 0, scale_high = 0;
};

// The six values of an entry as numbers.
struct entry_values {
    int max_natoms = 0, size = 0;
    double rms = 0, score = 0, pvalue = 1, normalised_pvalue = 0;
};

// Reads the values of e; false for a failed entry or values that do not
// read as six numbers.
bool parse_values(const batch_entry &e, entry_values *out);

// "size 75 (of 76 atoms), RMS 0.2 A, score 1488.4, p-value 4.514115e-05,
// normalised p-value 4.913983e+01" for hover texts, or the error.
std::string describe_entry(const batch_entry &e);

}  // namespace pairfit

#endif
