// pairfit: finds the subset of C-alpha pairs of two structures whose
// superposition gives the most significant Levitt-Gerstein score.
#include <cstdio>
#include <string>

#include "named_structure.h"
#include "options.h"
#include "output_file.h"
#include "pairfit/pairfit.h"
#include "pairfit/version.h"
#include "report_files.h"
#include "reports.h"

namespace {

// The pairs by method, or from the alignment file; false after saying on
// standard error why there are none.
bool make_pairs(const pairfit::structure &first, const pairfit::structure &second,
                pairfit::pairing_method method, const char *alignment_file, pairfit::pairing *pairs) {
    std::string context;
    try {
        if (method == pairfit::pairing_method::alignment) {
            const pairfit::sequence_alignment alignment = pairfit::read_alignment_file(alignment_file);
            context = std::string("alignment file ") + alignment_file + ": ";
            *pairs = pairfit::pair_by_alignment(first, second, alignment);
        } else {
            *pairs = pairfit::pair_residues(first, second, method);
        }
    } catch (const pairfit::error &e) {
        std::fprintf(stderr, "pairfit: %s%s\n", context.c_str(), e.what());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    run_settings settings;
    const char *too_long = nullptr;
    switch (parse_command_line(argc, argv, &settings, &too_long)) {
    case ARGS_USAGE:
        std::printf(USAGE_LINE);
        std::fflush(stdout);
        std::fputs(USAGE_HINT, stderr);
        return 1;
    case ARGS_HELP: std::fputs(help_text().c_str(), stdout); return std::fflush(stdout) == 0 ? 0 : 1;
    case ARGS_VERSION: std::printf("pairfit %s\n", pairfit::version); return std::fflush(stdout) == 0 ? 0 : 1;
    case ARGS_NAME_TOO_LONG: std::printf("File name too long: %s\n", too_long); return 1;
    case ARGS_BAD_THREADS:
        std::fprintf(stderr, "pairfit: -j needs a number of threads from 0 (every core) to 4096\n");
        return 1;
    case ARGS_BAD_DOMAIN_P:
        std::fprintf(stderr, "pairfit: -domain-p needs a p-value from 0 to 1\n");
        return 1;
    default: break;
    }
    // No output file may replace an input.
    const std::pair<const char *, const char *> outputs[] = {
        {"-pdb", settings.coordinate_file}, {"-html", settings.html_file},
        {"-sup", settings.superposed_file}};
    for (const char *name : {settings.file1, settings.file2, settings.pairs_file}) {
        if (name == nullptr) continue;
        const std::string input =
            name == settings.pairs_file ? std::string(name) : pairfit::parse_structure_name(name).path;
        for (const auto &output : outputs)
            if (output.second != nullptr && same_file(output.second, input.c_str())) {
                std::fprintf(stderr, "pairfit: the %s file %s is the input file %s; nothing written\n",
                             output.first, output.second, input.c_str());
                return 1;
            }
    }

    // The fast search has no limit on the number of pairs.
    const std::size_t max_atoms =
        settings.fast ? static_cast<std::size_t>(-1) : pairfit::max_exact_atoms;
    pairfit::structure first, second;
    try {
        // A fast search on several threads reads its two files at once too.
        read_named_pair(settings.file1, settings.file2, max_atoms, settings.fast && settings.threads != 1, &first,
                        &second);
    } catch (const pairfit::read_error &e) {
        std::fprintf(is_selection_error(e) ? stderr : stdout, "%s\n", e.what());
        return 1;
    }
    const pairfit::pairing_method method =
        settings.pairs_file != nullptr ? pairfit::pairing_method::alignment
        : settings.by_structure        ? pairfit::pairing_method::structure
        : settings.by_sequence         ? pairfit::pairing_method::sequence
                                       : pairfit::pairing_method::residue_number;
    pairfit::pairing pairs;
    if (!make_pairs(first, second, method, settings.pairs_file, &pairs)) return 1;
    const std::string warning = pairing_warning(first, second, pairs, method);
    if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
    const compared_pair input{first, second, pairs};

    progress_printer printer(input, settings.progress, settings.frac_step, settings.step_tables);
    pairfit::compare_options options;
    options.min_size = settings.min_size;
    options.per_size_scores = settings.per_size || settings.html_file != nullptr;
    if (settings.fast) {
        options.mode = pairfit::search_mode::fast;
        options.threads = settings.threads;
    }
    if (settings.progress || settings.step_tables) options.observer = &printer;
    // Each report refits the best subset, the table first.
    options.refit_for_coordinates = settings.table && settings.coordinate_file != nullptr;
    pairfit::result result;
    pairfit::workspace workspace;
    pairfit::compare(workspace, first, second, pairs, options, result);

    std::printf("SCORE:\t%s\n", pairfit::score_values(result).c_str());
    pairfit::domain_analysis domains;
    if (settings.domains) {
        pairfit::domain_options domain_settings;
        domain_settings.max_pvalue = settings.domain_pvalue;
        domains = pairfit::find_domains(workspace, first, second, pairs, options, result, domain_settings);
        print_domain_lines(input, domains);
    }
    if (settings.alignment_lines)
        for (const std::string &line : pairfit::alignment_lines(first, second, pairs, result.in_subset))
            std::printf("%s\n", line.c_str());
    if (settings.table)
        print_deviation_table(
            input, result.final_rms, [&](int k) { return result.in_subset[k] != 0; },
            [&](int k) { return result.distances[k]; });
    if (settings.per_size) print_scores_by_size(result);
    bool coordinates_written = settings.coordinate_file == nullptr ||
                               write_coordinate_file(settings.coordinate_file, input, result);
    if (!coordinates_written) std::printf("Couldn't write file %s\n", settings.coordinate_file);
    // The files for people and other programs: opt-in, messages on standard error.
    bool reports_written = true;
    if (settings.html_file != nullptr)
        reports_written = write_html_report(settings.html_file, input, method, result, settings.min_size);
    if (settings.superposed_file != nullptr)
        reports_written = write_superposed_file(settings.superposed_file, input, result) && reports_written;
    if (!coordinates_written) return 1;
    // A full disk or closed pipe must not pass for a completed run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pairfit: error writing standard output\n");
        return 1;
    }
    return reports_written ? 0 : 1;
}
