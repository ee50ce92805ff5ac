// The PDB reader on any bytes. A first line of PDB text comes first, so
// that the format check always chooses PDB (the mmCIF reader and the check
// itself have targets of their own: cif_reader, gzip_input).
#include <string>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text = "REMARK   1 FUZZ\n";
    text.append(reinterpret_cast<const char *>(data), size);
    memory_file file(text.data(), text.size());
    read_quietly(file.path());
    return 0;
}
