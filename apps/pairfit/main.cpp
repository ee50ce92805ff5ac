// pairfit: finds the subset of C-alpha pairs of two structures whose
// superposition gives the most significant Levitt-Gerstein score.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "compare/superposed_pairs.h"
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

// -complex maps chains only when a structure holds several; otherwise the
// run is the plain comparison, with a note saying so.
bool use_chain_map(const pairfit::structure &first, const pairfit::structure &second) {
    if (pairfit::chain_names(first).size() > 1 || pairfit::chain_names(second).size() > 1) return true;
    std::fprintf(stderr, "pairfit: -complex: %s and %s hold one chain each; compared as without -complex\n",
                 pairfit::display_name(first).c_str(), pairfit::display_name(second).c_str());
    return false;
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
    case ARGS_HELP:
        std::fputs(help_text().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case ARGS_VERSION:
        std::printf("pairfit %s\n", pairfit::version);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case ARGS_NAME_TOO_LONG:
        std::printf("File name too long: %s\n", too_long);
        return 1;
    case ARGS_BAD_THREADS:
        std::fprintf(stderr, "pairfit: -j needs a number of threads from 0 (every core) to 4096\n");
        return 1;
    case ARGS_BAD_MAX_ATOMS:
        std::fprintf(stderr, "pairfit: -max-atoms needs a number of C-alpha atoms from 1 up\n");
        return 1;
    case ARGS_PML_WITHOUT_SUP:
        std::fprintf(stderr, "pairfit: -pml needs -sup FILE: the script shows that file\n");
        return 1;
    case ARGS_BAD_DOMAIN_P:
        std::fprintf(stderr, "pairfit: -domain-p needs a p-value from 0 to 1\n");
        return 1;
    default:
        break;
    }
    // No output file may replace an input.
    const std::pair<const char *, const char *> outputs[] = {{"-pdb", settings.coordinate_file},
                                                             {"-html", settings.html_file},
                                                             {"-sup", settings.superposed_file},
                                                             {"-json", settings.json_file},
                                                             {"-pml", settings.pymol_file}};
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

    const std::size_t max_atoms = atom_limit(settings.fast, settings.max_atoms);
    pairfit::structure first, second;
    std::vector<std::string> warnings;  // as printed, for the JSON document
    try {
        // A fast search on several threads reads its two files at once too.
        read_named_pair(settings.file1, settings.file2, max_atoms, settings.fast && settings.threads != 1,
                        &first, &second, &warnings);
    } catch (const pairfit::read_error &e) {
        const bool new_message = is_selection_error(e) || e.kind() == pairfit::read_failure::out_of_memory;
        std::fprintf(new_message ? stderr : stdout, "%s\n", e.what());
        if (atom_limit_hint_applies(e, max_atoms)) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s\n", ATOM_LIMIT_HINT);
        }
        return 1;
    }
    const pairfit::pairing_method method = settings.pairs_file != nullptr ? pairfit::pairing_method::alignment
                                           : settings.by_structure        ? pairfit::pairing_method::structure
                                           : settings.by_sequence         ? pairfit::pairing_method::sequence
                                                                  : pairfit::pairing_method::residue_number;
    if (settings.complex && method == pairfit::pairing_method::alignment) {
        std::fprintf(
            stderr,
            "pairfit: -complex pairs residues chain by chain itself; it cannot be used with -pairs\n");
        return 1;
    }
    pairfit::complex_pairing assembly;
    const bool map_chains = settings.complex && use_chain_map(first, second);
    if (map_chains) {
        try {
            assembly = pairfit::pair_complexes(first, second, method);
        } catch (const pairfit::error &e) {
            std::fprintf(stderr, "pairfit: %s\n", e.what());
            return 1;
        }
    } else if (!make_pairs(first, second, method, settings.pairs_file, &assembly.pairs)) {
        return 1;
    }
    // With a chain map, structure 2 is compared with its chains in mapped order.
    const pairfit::structure &moved = map_chains ? assembly.second : second;
    const pairfit::pairing &pairs = assembly.pairs;
    // Every warning of the run, for the page and the document: the printed
    // ones (the readers' are in already), then the notes that are not printed.
    for (const std::string &warning : printed_warnings(first, moved, pairs, method))
        print_warning(warning, &warnings);
    for (const std::string &warning : unprinted_warnings(first, second)) warnings.push_back(warning);
    const compared_pair input{first, moved, pairs};

    progress_printer printer(input, settings.progress, settings.frac_step, settings.step_tables);
    pairfit::compare_options options;
    options.min_size = settings.min_size;
    // The page's per-size curve: in the fast mode, from the subsets it scores
    // anyway, as scoring every subset would cost it many times its run.
    options.per_size_scores = settings.per_size || (settings.html_file != nullptr && !settings.fast);
    options.sizes_as_scored = settings.fast && settings.html_file != nullptr;
    if (settings.fast) {
        options.mode = pairfit::search_mode::fast;
        options.threads = settings.threads;
    }
    if (settings.progress || settings.step_tables) options.observer = &printer;
    pairfit::result result;
    pairfit::workspace workspace;
    pairfit::compare(workspace, first, moved, pairs, options, result);
    // Each report of the exact mode refits the best subset, the table first:
    // the coordinate file's coordinates come from a second fit.
    if (settings.table && settings.coordinate_file != nullptr && !settings.fast) {
        auto scratch = std::make_unique<pairfit::pair_arrays>();
        pairfit::refit_superposed_pairs(scratch.get(), &result);
    }

    std::printf("SCORE:\t%s\n", pairfit::score_values(result).c_str());
    if (map_chains) std::printf("CHAINS:\t%s\n", pairfit::chain_map_text(assembly.chain_map).c_str());
    pairfit::domain_analysis domains;
    if (settings.domains) {
        pairfit::domain_options domain_settings;
        domain_settings.max_pvalue = settings.domain_pvalue;
        domains = pairfit::find_domains(workspace, first, moved, pairs, options, result, domain_settings);
        print_domain_lines(input, domains);
    }
    if (settings.alignment_lines)
        for (const std::string &line : pairfit::alignment_lines(first, moved, pairs, result.in_subset))
            std::printf("%s\n", line.c_str());
    if (settings.table)
        print_deviation_table(
            input, result.final_rms, [&](int k) { return result.in_subset[k] != 0; },
            [&](int k) { return result.distances[k]; });
    if (settings.per_size) print_scores_by_size(result);
    std::string reason;
    bool coordinates_written = settings.coordinate_file == nullptr ||
                               write_coordinate_file(settings.coordinate_file, input, result, &reason);
    if (!coordinates_written) {
        // The line on standard output is as it has always been; the reason goes to standard error.
        std::printf("Couldn't write file %s\n", settings.coordinate_file);
        std::fflush(stdout);
        std::fprintf(stderr, "pairfit: the -pdb file %s: %s\n", settings.coordinate_file, reason.c_str());
    }
    // The standard scores: printed last with -metrics, and in the page and
    // the document when asked for (their search costs more than a fast run).
    pairfit::metrics scores;
    const bool report_metrics = settings.metrics || settings.json_file != nullptr;
    if (report_metrics) {
        scores = pairfit::compute_metrics(first, moved, pairs, result);
        if (!scores.warning.empty()) print_warning(scores.warning, &warnings);
    }
    if (settings.metrics) std::printf("METRICS:\t%s\n", pairfit::metrics_values(scores).c_str());
    // The files for people and other programs: opt-in, messages on standard
    // error. What was printed goes out first, so that it survives whatever
    // happens while they are made.
    std::fflush(stdout);
    bool reports_written = true;
    if (settings.html_file != nullptr)
        reports_written = write_html_report(
            settings.html_file,
            {first, moved, pairs, method, result, settings.min_size, !options.per_size_scores,
             report_metrics ? &scores : nullptr, warnings, map_chains ? &assembly.chain_map : nullptr,
             settings.domains ? &domains : nullptr});
    if (settings.superposed_file != nullptr) {
        const bool superposed = write_superposed_file(settings.superposed_file, input, result);
        // The script shows the superposed file: without it there is nothing to show.
        if (superposed && settings.pymol_file != nullptr)
            reports_written =
                write_pymol_script(settings.pymol_file, settings.superposed_file, first) && reports_written;
        reports_written = superposed && reports_written;
    }
    if (settings.json_file != nullptr) {
        pairfit::comparison_description document{
            first, moved, pairs, pairfit::pairing_method_name(method), result, &scores, warnings, {}};
        if (map_chains)
            document.sections.emplace_back("chain_map", pairfit::chain_map_json(assembly.chain_map));
        if (settings.domains) {
            document.sections.emplace_back("domains", pairfit::domains_json(first, pairs, domains));
            document.sections.emplace_back("hinges", pairfit::hinges_json(first, pairs, domains));
        }
        reports_written = write_json_file(settings.json_file, document) && reports_written;
    }
    if (!coordinates_written) return 1;
    // A full disk or closed pipe must not pass for a completed run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pairfit: error writing standard output\n");
        return 1;
    }
    return reports_written ? 0 : 1;
}
