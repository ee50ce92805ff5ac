// pairfit: finds the subset of C-alpha pairs of two structures whose
// superposition gives the most significant Levitt-Gerstein score.
#include <cstdio>
#include <cstring>

#include "options.h"
#include "run.h"
#include "structure/reader.h"

int main(int argc, char **argv) {
    run_settings settings;
    const char *too_long = nullptr;
    switch (parse_command_line(argc, argv, &settings, &too_long)) {
    case ARGS_USAGE: std::printf(USAGE_LINE); return 1;
    case ARGS_NAME_TOO_LONG: std::printf("File name too long: %s\n", too_long); return 1;
    default: break;
    }
    std::strcpy(m[0].filename, settings.file1);
    std::strcpy(m[1].filename, settings.file2);
    if (read_molecules_ca() != READ_OK) return 1;

    int max_natoms = compare_molecules(settings.min_size, settings.frac_step);
    char values[256];
    format_score_values(values, sizeof values, max_natoms, settings.min_size);
    std::printf("SCORE:\t%s\n", values);

    if (final_reports() != 0) {
        std::printf("Couldn't write file %s\n", outfile);
        return 1;
    }
    // A full disk or closed pipe must not pass for a completed run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pairfit: error writing standard output\n");
        return 1;
    }
    return 0;
}
