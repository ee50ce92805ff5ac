#include "options.h"

#include <cstring>

#include "structure/molecule.h"
#include "structure/reader.h"

int parse_int_clamped(const char *text) {
    int value;
    return read_int(text, &value) ? value : 0;
}

int parse_command_line(int argc, char **argv, run_settings *settings, const char **too_long) {
    verbose_flag = fraction_flag = select1_flag = select2_flag = 0;
    align_flag = b_flag = out_flag = 0;
    outfile[0] = '\0';
    settings->min_size = 19;
    settings->frac_step = 0.0;
    settings->file1 = settings->file2 = nullptr;

    const char *pdb_path = nullptr;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "-v") == 0) {
            verbose_flag = 1;
        } else if (std::strcmp(arg, "-f") == 0) {
            fraction_flag = 1;
            settings->frac_step = 0.2;
        } else if (std::strcmp(arg, "-a") == 0) {
            fraction_flag = 1;
            settings->frac_step = 0.0;
        } else if (std::strcmp(arg, "-1") == 0 || std::strcmp(arg, "-2") == 0) {
            // accepted for compatibility; they change nothing
        } else if (std::strcmp(arg, "-o") == 0) {
            align_flag = 1;
        } else if (std::strcmp(arg, "-b") == 0) {
            b_flag = 1;
        } else if (std::strcmp(arg, "-pdb") == 0 || std::strcmp(arg, "-min") == 0) {
            // The next argument is the value, whatever it looks like.
            if (i + 1 == argc) return ARGS_USAGE;
            const char *value = argv[++i];
            if (arg[1] == 'p') {
                out_flag = 1;
                pdb_path = value;
            } else {
                settings->min_size = parse_int_clamped(value);
            }
        } else {
            if (files == 0) settings->file1 = arg;
            if (files == 1) settings->file2 = arg;
            ++files;
        }
    }
    if (files != 2) return ARGS_USAGE;

    const char *names[3] = {settings->file1, settings->file2, pdb_path};
    for (const char *name : names)
        if (name != nullptr && std::strlen(name) >= PATH_SIZE) {
            *too_long = name;
            return ARGS_NAME_TOO_LONG;
        }
    if (pdb_path != nullptr) std::strcpy(outfile, pdb_path);
    return ARGS_OK;
}
