// pairfit's command line: the input is the argument list, NUL-separated.
// The paths it names are only compared (same_file), never opened.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "options.h"
#include "output_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> words(1, "pairfit");
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    run_settings settings;
    const char *too_long = nullptr;
    if (parse_command_line(static_cast<int>(words.size()), argv.data(), &settings, &too_long) ==
            ARGS_OK &&
        settings.coordinate_file != nullptr)
        same_file(settings.coordinate_file, settings.file1);
    return 0;
}
