// The output table of a batch run: rows come in from several threads in any
// order and go out in pair-list order, each as soon as it and every row
// before it are done.
#ifndef PAIRFIT_BATCH_ROW_OUTPUT_H
#define PAIRFIT_BATCH_ROW_OUTPUT_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "pair_list.h"
#include "progress.h"
#include "report/batch_table.h"

enum { VALUES_SIZE = 256 };

#define BATCH_HEADER "file1\tfile2\tmax_natoms\tsize\trms\tscore\tpvalue\tnormalised_pvalue\n"
// The further columns of --metrics: the values of pairfit's METRICS line.
#define BATCH_METRICS_COLUMNS "\ttm_score\tgdt_ts\tgdt_ha\tlddt\trmsd\tpairs\treference_length"

// The further columns of -domains: the number of rigid domains and the
// largest angle of a domain's motion relative to domain 1.
#define BATCH_DOMAIN_COLUMNS "\tdomains\tmax_angle"

// The last column of --warnings: every warning of the pair.
#define BATCH_WARNINGS_NAME "warnings"
#define BATCH_WARNINGS_COLUMN "\t" BATCH_WARNINGS_NAME

// The header line of a run, with the further columns asked for.
std::string batch_header(bool metrics, bool domains, bool warnings);

// The --warnings field of a pair: its warnings joined by
// pairfit::warnings_separator, each with any separator of its own (from a
// chain or residue name of a file) turned to " / " and any tab or line end
// to a space; empty for none.
std::string warnings_field(const std::vector<std::string> &warnings);

// The fields of a row (without its line end) between tabs.
std::vector<std::string> tab_fields(const std::string &row);

// What a finished pair leaves for its row.
struct row_slot {
    char values[VALUES_SIZE];  // the six SCORE values (then any further columns), tab-separated
    std::string error;         // not empty: this message stands in place of the values
    int error_file;            // the file the message is about
    std::vector<std::string> file_warnings[2];  // the reader's for file 1 and file 2
    std::string warning;                        // non-empty: goes to standard error as the row is written
    std::string warnings_field;                 // with a warnings column: the row's last field
    bool done;
};

struct row_output {
    FILE *out;
    const pair_list *pairs;
    size_t next;                     // the first row not yet written
    size_t end;                      // one past the last row
    size_t count;                    // rows in all
    size_t done_count;               // rows finished, written or not
    size_t failed;                   // error rows written
    std::atomic<bool> write_failed;  // out reported an error: no more rows are written
    bool clear_progress_first;       // the rows go to the terminal the progress line is on
    bool warnings_column;            // each row ends in its slot's warnings_field
    progress_line *progress;         // nullptr: none
    std::vector<row_slot> slots;     // row r waits in slot r % slots.size()
    std::vector<char> reported;      // per file: its read error went to standard error
    std::vector<char> warned;        // per file: its reader's warnings went to standard error
    std::mutex lock;
    std::condition_variable slot_freed;
    std::condition_variable all_done;
};

// Prepares the output of rows [first, end) of pairs to out, with slot_count
// rows held back at most, and with warnings_column a last column of warnings. *progress (may be nullptr) is the progress line
// that report_progress draws; finish_row erases it before writing rows to
// the same terminal.
void start_rows(row_output *rows, FILE *out, const pair_list *pairs, size_t first, size_t end,
                size_t slot_count, progress_line *progress, bool warnings_column = false);

// The slot for row, once the row that used it before has been written. The
// caller fills it and hands it back with finish_row. nullptr once writing
// has failed: the caller stops.
row_slot *wait_for_slot(row_output *rows, size_t row);

// Marks row as done, then writes and flushes every row that is now next in
// order: "file1\tfile2\tvalues\n", or the error message in place of the
// values (either followed by "\twarnings" with a warnings column). Standard
// error gets, just before the row, the reader's warnings of each of its
// files not named by an earlier row, the message the first time a file's
// message is written, and the row's warning, so that warnings come in row
// order whatever the number of threads and whenever a file was read. After a
// failed write nothing more is written.
void finish_row(row_output *rows, size_t row);

// Redraws the progress line five times a second until every row is done
// (or writing failed), then once more with the final count.
void report_progress(row_output *rows);

#endif
