// pairfit-batch: compares many pairs of structures as pairfit does, each
// file read when its pairs need it, several pairs at a time, one output row
// a pair.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "batch_options.h"
#include "named_structure.h"
#include "output_file.h"
#include "pair_list.h"
#include "pairfit/pairfit.h"
#include "progress.h"
#include "report/batch_page.h"
#include "resume.h"
#include "row_output.h"
#include "rows_file.h"
#include "split.h"
#include "structure_cache.h"

namespace {

// Rows held back at most per thread while an earlier row is still running.
constexpr size_t SLOTS_PER_THREAD = 64, MIN_SLOTS = 256;
// Structures kept at most, besides those of --all: enough for the pairs in
// progress and for files that come up again soon in a --pairs list.
constexpr size_t CACHED_PER_THREAD = 4, MIN_CACHED = 64;

enum { PAIRS_OK, PAIRS_FILE_ERROR, PAIRS_TOO_FEW_FILES };

// The pair list that the settings and their --list and --pairs files
// describe, with files split into their models or chains as asked.
int build_pair_list(const batch_settings &settings, pair_list *pairs, std::string *error) {
    std::vector<std::string> names = settings.names;
    const split_mode split = settings.split;
    if (settings.mode == LISTED_PAIRS) {
        if (!read_name_file(settings.pairs_file.c_str(), 2, &names, error)) return PAIRS_FILE_ERROR;
    } else {
        for (const std::string &list : settings.list_files)
            if (!read_name_file(list.c_str(), 1, &names, error)) return PAIRS_FILE_ERROR;
    }
    // The rows are tab-separated lines: a name cannot hold either. The
    // warnings column separates warnings, which name files, by a text that
    // a name then cannot hold either.
    for (const std::string &name : names) {
        if (name.find_first_of("\t\n\r") != std::string::npos) {
            *error =
                "a file name holds a tab or a line end, which the output rows cannot hold: '" + name + "'";
            return PAIRS_FILE_ERROR;
        }
        if (settings.warnings && name.find(pairfit::warnings_separator) != std::string::npos) {
            *error = std::string("a file name holds '") + pairfit::warnings_separator +
                     "', which separates the warnings of --warnings: '" + name + "'";
            return PAIRS_FILE_ERROR;
        }
    }
    if (settings.mode == LISTED_PAIRS) {
        make_listed_pairs(pairs, split == SPLIT_NONE ? names : split_pairs(names, split));
        if (names.empty()) *error = "no pairs in " + settings.pairs_file;
    } else if (settings.mode == ALL_PAIRS) {
        make_all_pairs(pairs, split_names(names, split));
        if (pairs->members.size() < 2)
            *error = split == SPLIT_NONE ? "--all needs at least two files"
                                         : "--all needs at least two structures";
    } else if (split == SPLIT_NONE) {
        make_pairs_against_first(pairs, names);
        if (names.size() < 2) *error = "a reference and at least one model are needed";
    } else {
        make_listed_pairs(pairs, split_against_first(names, split));
        if (names.size() < 2) *error = "a reference and at least one model are needed";
    }
    return error->empty() ? PAIRS_OK : PAIRS_TOO_FEW_FILES;
}

// Starts work on *thread; false if the system refuses a thread.
template <typename Work>
bool start_thread(std::thread *thread, Work work) {
    try {
        *thread = std::thread(work);
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

// Runs work on this thread and on count - 1 new ones, and waits for all of
// them. If the system refuses a thread, the others go on.
template <typename Work>
void run_on_threads(int count, Work work) {
    std::vector<std::thread> helpers(count > 1 ? count - 1 : 0);
    for (std::thread &helper : helpers)
        if (!start_thread(&helper, work)) break;
    work();
    for (std::thread &helper : helpers)
        if (helper.joinable()) helper.join();
}

// The message of the first of the pair's files that could not be read, or
// nullptr; *file is that file.
const std::string *pair_error(const cached_structure &first, const cached_structure &second, file_pair p,
                              int *file) {
    *file = first.error.empty() ? p.file2 : p.file1;
    if (!first.error.empty()) return &first.error;
    if (!second.error.empty()) return &second.error;
    return nullptr;
}

// The warnings of a pair before its comparison, as pairfit prints them:
// the reader's for file 1, then for file 2 if file 1 was read, then the
// hint after a file beyond the exact search's atom limit when that file
// failed the pair.
std::vector<std::string> reading_warnings(const cached_structure &one, const cached_structure &two,
                                          const std::string *error) {
    std::vector<std::string> warnings = one.warnings;
    if (one.error.empty()) warnings.insert(warnings.end(), two.warnings.begin(), two.warnings.end());
    const bool hint = !one.error.empty() ? one.limit_hint : two.limit_hint;
    if (error != nullptr && hint) warnings.push_back(ATOM_LIMIT_HINT);
    return warnings;
}

// What each comparison of the run does beyond the search itself.
struct comparison_settings {
    pairfit::compare_options options;
    pairfit::pairing_method method;
    bool map_chains;  // -complex
    bool metrics;     // --metrics: the METRICS values as further columns
    bool domains;     // -domains: the domain count and the largest angle as further columns
    double domain_pvalue;
};

// The -domains columns of a row: the number of domains and the largest
// angle of a domain's motion relative to domain 1 (as the DOMAIN lines
// print it).
std::string domain_columns(const pairfit::domain_analysis &analysis) {
    double largest = 0.0;
    for (const pairfit::domain &d : analysis.domains) largest = std::max(largest, d.motion.angle);
    char text[64];
    std::snprintf(text, sizeof text, "\t%zu\t%.1f", analysis.domains.size(), largest);
    return text;
}

// Compares the pairs of rows [first, end) of *rows until none is left (or
// writing has failed), in a workspace of this thread's own, adding the
// METRICS values to each row when metrics is set, the domain columns when
// domains is set, and every warning of the
// pair (those pairfit prints, then the merged chains) when rows has a
// warnings column. With report, row r's result also goes to
// (*report)[r - first].
void compare_pairs(const pair_list &pairs, structure_cache *cache, const comparison_settings &settings,
                   std::atomic<size_t> *next, row_output *rows, size_t first,
                   std::vector<pairfit::batch_entry> *report) {
    pairfit::workspace workspace;
    pairfit::pairing residue_pairs;
    pairfit::result result;
    for (size_t row = (*next)++; row < rows->end && !rows->write_failed; row = (*next)++) {
        file_pair p = pair_at(pairs, row);
        std::shared_ptr<const cached_structure> one = cache->get(p.file1);
        std::shared_ptr<const cached_structure> two = cache->get(p.file2);
        int error_file;
        const std::string *error = pair_error(*one, *two, p, &error_file);
        std::string warning, pairing_error, further_values;
        pairfit::complex_pairing assembly;
        const pairfit::structure *moved = &two->atoms;
        std::vector<std::string> noted;  // every warning, for the warnings column
        if (rows->warnings_column) noted = reading_warnings(*one, *two, error);
        if (error == nullptr) {
            const pairfit::structure &first = one->atoms, &second = two->atoms;
            try {
                if (settings.map_chains &&
                    (pairfit::chain_names(first).size() > 1 || pairfit::chain_names(second).size() > 1)) {
                    assembly = pairfit::pair_complexes(first, second, settings.method);
                    residue_pairs = std::move(assembly.pairs);
                    moved = &assembly.second;
                } else if (settings.method == pairfit::pairing_method::residue_number) {
                    pairfit::pair_by_residue_number(first, second, residue_pairs);
                } else {
                    residue_pairs = pairfit::pair_residues(first, second, settings.method);
                }
            } catch (const pairfit::error &e) {
                // Pairing by structure refuses too few atoms, chain mapping
                // unrelated chains: the row says so.
                pairing_error = e.what();
                error = &pairing_error;
                error_file = first.size() < 5 ? p.file1 : p.file2;
            }
            if (error == nullptr) {
                for (const std::string &w : printed_warnings(first, *moved, residue_pairs, settings.method)) {
                    warning += (warning.empty() ? "" : "\n") + w;
                    noted.push_back(w);
                }
                if (rows->warnings_column)
                    for (const std::string &w : unprinted_warnings(first, second)) noted.push_back(w);
                pairfit::compare(workspace, first, *moved, residue_pairs, settings.options, result);
                if (settings.metrics) {
                    const pairfit::metrics scores =
                        pairfit::compute_metrics(first, *moved, residue_pairs, result);
                    further_values = "\t" + pairfit::metrics_values(scores);
                    if (!scores.warning.empty()) {
                        warning += (warning.empty() ? "" : "\n") + scores.warning;
                        noted.push_back(scores.warning);
                    }
                }
                if (settings.domains) {
                    pairfit::domain_options domain_settings;
                    domain_settings.max_pvalue = settings.domain_pvalue;
                    further_values += domain_columns(pairfit::find_domains(
                        workspace, first, *moved, residue_pairs, settings.options, result, domain_settings));
                }
            }
        }
        row_slot *slot = wait_for_slot(rows, row);
        if (slot == nullptr) return;
        slot->error = error != nullptr ? *error : std::string();
        slot->error_file = error_file;
        slot->file_warnings[0] = one->warnings;
        slot->file_warnings[1] = two->warnings;
        slot->warning = std::move(warning);
        slot->warnings_field = warnings_field(noted);
        if (error == nullptr)
            std::snprintf(slot->values, sizeof slot->values, "%s", pairfit::score_values(result).c_str());
        if (report != nullptr)
            (*report)[row - first] = {p.file1, p.file2, error == nullptr ? slot->values : "",
                                      error == nullptr ? "" : *error, slot->warnings_field};
        if (error == nullptr)
            std::snprintf(slot->values + std::strlen(slot->values),
                          sizeof slot->values - std::strlen(slot->values), "%s", further_values.c_str());
        finish_row(rows, row);
    }
}

// Compares rows [first, end) on `threads` threads and writes them to out
// (standard output or the --resume file), with a progress line while
// standard error is a terminal.
void run_comparisons(const pair_list &pairs, structure_cache *cache, const comparison_settings &settings,
                     bool warnings, int threads, size_t first, size_t end, FILE *out, row_output *rows,
                     std::vector<pairfit::batch_entry> *report) {
    progress_line progress;
    start_progress(&progress, stderr, end - first);
    size_t slots = static_cast<size_t>(threads) * SLOTS_PER_THREAD;
    start_rows(rows, out, &pairs, first, end, slots < MIN_SLOTS ? MIN_SLOTS : slots, &progress, warnings);
    std::thread ticker;
    if (progress.out != nullptr && end > first) start_thread(&ticker, [rows] { report_progress(rows); });
    std::atomic<size_t> next(first);
    run_on_threads(threads, [&] { compare_pairs(pairs, cache, settings, &next, rows, first, report); });
    if (ticker.joinable()) ticker.join();
    end_progress(&progress);
    rows->progress = nullptr;
}

// The exit status, with a message on standard error when it is not 0.
// earlier counts the rows (and failed rows) of an interrupted run resumed.
int exit_status(FILE *out, const char *name, const row_output &rows, size_t earlier, size_t earlier_failed) {
    if (std::fflush(out) != 0 || std::ferror(out) || rows.write_failed) {
        std::fprintf(stderr, "pairfit-batch: error writing %s\n", name);
        return 1;
    }
    size_t failed = rows.failed + earlier_failed;
    if (failed > 0) {
        std::fprintf(stderr, "pairfit-batch: %zu of %zu pairs failed\n", failed, rows.count + earlier);
        return 1;
    }
    return 0;
}

// The input (a structure, the --list or --pairs file) that an output file
// of the settings would replace, as "the --html file X is the input file
// Y"; empty when there is none.
std::string output_replacing_input(const batch_settings &settings, const pair_list &pairs) {
    std::vector<std::string> inputs = settings.list_files;
    if (!settings.pairs_file.empty()) inputs.push_back(settings.pairs_file);
    for (const std::string &name : pairs.files) inputs.push_back(pairfit::parse_structure_name(name).path);
    const std::pair<const char *, const std::string &> outputs[] = {{"--html", settings.html_file},
                                                                    {"--resume", settings.resume_file}};
    for (const auto &output : outputs)
        if (!output.second.empty())
            for (const std::string &input : inputs)
                if (same_file(output.second.c_str(), input.c_str()))
                    return std::string("the ") + output.first + " file " + output.second +
                           " is the input file " + input;
    return std::string();
}

// The options that change the rows, as typed, for the page.
std::string run_options(const batch_settings &settings) {
    std::string text = "-min " + std::to_string(settings.min_size);
    if (settings.by_sequence) text += " -seq";
    if (settings.by_structure) text += " -struct";
    if (settings.complex) text += " -complex";
    if (settings.fast) text += " -fast";
    if (settings.split == SPLIT_MODELS) text += " --split models";
    if (settings.split == SPLIT_CHAINS) text += " --split chains";
    return text;
}

// Writes the page of report to the --html file, with the heat map's scale
// as given; the exit status it leaves (0 or 1).
int write_page(const batch_settings &settings, pairfit::batch_table *report) {
    report->fixed_scale = settings.fixed_scale;
    report->scale_low = settings.scale_low;
    report->scale_high = settings.scale_high;
    std::string reason;
    if (write_whole_file(settings.html_file, pairfit::batch_page_html(*report, settings.min_size), &reason))
        return 0;
    std::fprintf(stderr, "Couldn't write file %s: %s\n", settings.html_file.c_str(), reason.c_str());
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    batch_settings settings;
    std::string error;
    switch (parse_batch_options(argc, argv, &settings, &error)) {
    case BATCH_ARGS_HELP:
        std::fputs(BATCH_HELP, stdout);
        return 0;
    case BATCH_ARGS_VERSION:
        std::printf("pairfit-batch %s\n", pairfit::version);
        return 0;
    case BATCH_ARGS_BAD:
        std::fprintf(stderr, "pairfit-batch: %s\n%s", error.c_str(), BATCH_USAGE);
        return 2;
    default:
        break;
    }
    if (!settings.rows_file.empty()) {
        pairfit::batch_table report;
        if (!read_rows_file(settings.rows_file, &report, &error)) {
            std::fprintf(stderr, "pairfit-batch: %s\n", error.c_str());
            return 2;
        }
        return write_page(settings, &report);
    }
    pair_list pairs;
    switch (build_pair_list(settings, &pairs, &error)) {
    case PAIRS_FILE_ERROR:
        std::fprintf(stderr, "pairfit-batch: %s\n", error.c_str());
        return 2;
    case PAIRS_TOO_FEW_FILES:
        std::fprintf(stderr, "pairfit-batch: %s\n%s", error.c_str(), BATCH_USAGE);
        return 2;
    default:
        break;
    }
    error = output_replacing_input(settings, pairs);
    if (!error.empty()) {
        std::fprintf(stderr, "pairfit-batch: %s; nothing written\n", error.c_str());
        return 2;
    }
    size_t first, end;
    shard_range(pair_count(pairs), settings.shard, settings.shard_count, &first, &end);
    FILE *out = stdout;
    std::string out_name = "standard output";
    resume_point resumed;
    const std::string header = batch_header(settings.metrics, settings.domains, settings.warnings);
    if (!settings.resume_file.empty()) {
        if (!open_for_resume(settings.resume_file, pairs, first, end, header, &resumed, &error)) {
            std::fprintf(stderr, "pairfit-batch: %s\n", error.c_str());
            return 2;
        }
        out = resumed.out;
        out_name = settings.resume_file;
        first += resumed.rows_done;
    }
    size_t count = end - first;
    int threads = static_cast<size_t>(settings.threads) < count ? settings.threads : static_cast<int>(count);

    // Every file of --all is used with every other: all stay. Otherwise the
    // structures are read as their pairs come up, and the reference of one
    // against many stays as the most recently used.
    size_t capacity = pairs.mode == ALL_PAIRS ? pairs.files.size()
                                              : CACHED_PER_THREAD * static_cast<size_t>(threads) + MIN_CACHED;
    const std::size_t max_atoms = atom_limit(settings.fast, settings.max_atoms);
    structure_cache cache(pairs.files, capacity, max_atoms);
    if (out == stdout && (std::fputs(header.c_str(), stdout) < 0 || std::fflush(stdout) != 0)) {
        std::fprintf(stderr, "pairfit-batch: error writing standard output\n");
        return 1;
    }
    pairfit::compare_options options;
    options.min_size = settings.min_size;
    if (settings.fast) {
        // The pairs already keep every thread busy.
        options.mode = pairfit::search_mode::fast;
        options.threads = 1;
    }
    const pairfit::pairing_method method = settings.by_structure  ? pairfit::pairing_method::structure
                                           : settings.by_sequence ? pairfit::pairing_method::sequence
                                                                  : pairfit::pairing_method::residue_number;
    pairfit::batch_table report;
    report.entries.resize(settings.html_file.empty() ? 0 : count);
    row_output rows;
    const comparison_settings each{options,          method,           settings.complex,
                                   settings.metrics, settings.domains, settings.domain_pvalue};
    run_comparisons(pairs, &cache, each, settings.warnings, threads, first, end, out, &rows,
                    settings.html_file.empty() ? nullptr : &report.entries);
    int status = exit_status(out, out_name.c_str(), rows, resumed.rows_done, resumed.rows_failed);
    if (out != stdout && std::fclose(out) != 0 && status == 0) {
        std::fprintf(stderr, "pairfit-batch: error writing %s\n", out_name.c_str());
        status = 1;
    }
    if (!settings.html_file.empty()) {
        report.files = pairs.files;
        report.all_pairs = pairs.mode == ALL_PAIRS;
        report.warnings_column = settings.warnings;
        report.options = run_options(settings);
        // A resumed run computed only the missing rows: the page shows every
        // row of its file.
        if (!settings.resume_file.empty()) {
            report.entries.clear();
            if (!read_rows_file(settings.resume_file, &report, &error)) {
                std::fprintf(stderr, "pairfit-batch: %s\n", error.c_str());
                return 1;
            }
        }
        if (write_page(settings, &report) != 0) status = 1;
    }
    return status;
}
