// pairfit-batch's command line, --list and --pairs files and shards. The
// first byte chooses how the rest is used: as the argument list
// (NUL-separated), or as a --list or --pairs file; the pair list is then
// built and sharded as the program does, without reading any structure.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "pairfit-batch/batch_options.h"
#include "pairfit-batch/pair_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const int use = data[0] % 3;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::vector<std::string> names;
    pair_list pairs;
    int shard = 1, shards = 1;
    if (use == 0) {
        argument_list arguments("pairfit-batch", text);
        batch_settings settings;
        std::string error;
        if (parse_batch_options(arguments.argc(), arguments.argv(), &settings, &error) != BATCH_ARGS_OK)
            return 0;
        names = settings.names;
        shard = settings.shard;
        shards = settings.shard_count;
        if (settings.mode == ALL_PAIRS)
            make_all_pairs(&pairs, names);
        else
            make_pairs_against_first(&pairs, names);
    } else {
        memory_file file(text.data(), text.size());
        std::string error;
        if (!read_name_file(file.path().c_str(), use, &names, &error)) return 0;
        if (use == 2)
            make_listed_pairs(&pairs, names);
        else
            make_all_pairs(&pairs, names);
        shards = 1 + data[0] / 3 % 7;
        shard = 1 + data[0] % shards;
    }
    size_t total = pair_count(pairs), first, end;
    shard_range(total, shard, shards, &first, &end);
    if (first > end || end > total) __builtin_trap();
    for (size_t row = first; row < end && row < first + 1000; ++row) {
        file_pair p = pair_at(pairs, row);
        if (p.file1 < 0 || static_cast<size_t>(p.file1) >= pairs.files.size() || p.file2 < 0 ||
            static_cast<size_t>(p.file2) >= pairs.files.size())
            __builtin_trap();
    }
    return 0;
}
