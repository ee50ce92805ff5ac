// Both readers on gzip-compressed input. The first byte chooses: bit 0 puts
// a data block heading first (mmCIF), bits 1-4 cut that many bytes off the
// end of the compressed stream (a truncated download), bit 5 flips a byte
// of the compressed data (corruption). The rest is the text.
#include <zlib.h>

#include <string>

#include "fuzz_input.h"

namespace {

std::string gzip(const std::string &text) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return "";
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef *>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    std::string text = (choice & 1) != 0 ? "data_fuzz\n" : "";
    text.append(reinterpret_cast<const char *>(data + 1), size - 1);
    std::string compressed = gzip(text);
    size_t cut = (choice >> 1) & 15;
    compressed.resize(compressed.size() > cut ? compressed.size() - cut : 0);
    if ((choice & 32) != 0 && compressed.size() > 10)
        compressed[10 + text.size() % (compressed.size() - 10)] ^= 0x5a;
    memory_file file(compressed.data(), compressed.size());
    read_quietly(file.path());
    return 0;
}
