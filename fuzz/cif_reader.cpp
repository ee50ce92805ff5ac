// The mmCIF reader: any bytes after a data block heading.
#include <string>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text = "data_fuzz\n";
    text.append(reinterpret_cast<const char *>(data), size);
    memory_file file(text.data(), text.size());
    read_quietly(file.path());
    return 0;
}
