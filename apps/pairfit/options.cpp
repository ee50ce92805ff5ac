#include "options.h"

#include <cstring>

#include "arguments.h"

parse_status parse_command_line(int argc, char **argv, run_settings *settings,
                                const char **too_long) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "-v") == 0) {
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
        } else if (std::strcmp(arg, "-seq") == 0) {
            settings->by_sequence = true;
        } else if (std::strcmp(arg, "-fast") == 0) {
            settings->fast = true;
        } else if (std::strcmp(arg, "-j") == 0) {
            if (i + 1 == argc || !parse_digits(argv[i + 1], 0, 4096, &settings->threads))
                return ARGS_BAD_THREADS;
            ++i;
        } else if (std::strcmp(arg, "-pdb") == 0 || std::strcmp(arg, "-min") == 0 ||
                   std::strcmp(arg, "-html") == 0 || std::strcmp(arg, "-sup") == 0) {
            // The next argument is the value, whatever it looks like.
            if (i + 1 == argc) return ARGS_USAGE;
            const char *value = argv[++i];
            switch (arg[1]) {
            case 'p': settings->coordinate_file = value; break;
            case 'h': settings->html_file = value; break;
            case 's': settings->superposed_file = value; break;
            default: settings->min_size = parse_int_clamped(value);
            }
        } else {
            if (files == 0) settings->file1 = arg;
            if (files == 1) settings->file2 = arg;
            ++files;
        }
    }
    if (files != 2) return ARGS_USAGE;

    const char *names[3] = {settings->file1, settings->file2, settings->coordinate_file};
    for (const char *name : names)
        if (name != nullptr && std::strlen(name) > MAX_PATH_LENGTH) {
            *too_long = name;
            return ARGS_NAME_TOO_LONG;
        }
    return ARGS_OK;
}
