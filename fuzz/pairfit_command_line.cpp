// pairfit's command line: the input is the argument list, NUL-separated.
// The paths it names are only compared (same_file), never opened.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "options.h"
#include "output_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    argument_list arguments("pairfit", std::string(reinterpret_cast<const char *>(data), size));
    run_settings settings;
    const char *too_long = nullptr;
    if (parse_command_line(arguments.argc(), arguments.argv(), &settings, &too_long) == ARGS_OK &&
        settings.coordinate_file != nullptr)
        same_file(settings.coordinate_file, settings.file1);
    return 0;
}
