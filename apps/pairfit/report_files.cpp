#include "report_files.h"

#include <cstdio>

#include "output_file.h"
#include "report/pair_page.h"
#include "report/superposed_file.h"
#include "report/viewer_script.h"

namespace {

bool write_or_complain(const char *path, const std::string &content) {
    if (write_whole_file(path, content)) return true;
    std::fprintf(stderr, "Couldn't write file %s\n", path);
    return false;
}

}  // namespace

bool write_html_report(const char *path, const compared_pair &input, pairfit::pairing_method method,
                       const pairfit::result &r, int min_size,
                       const std::vector<pairfit::chain_match> *chain_map) {
    pairfit::pair_page_input page{input.first, input.second, input.pairs, method, r, min_size, chain_map};
    return write_or_complain(path, pairfit::pair_page_html(page, pairfit::viewer_script_with_licence()));
}

bool write_superposed_file(const char *path, const compared_pair &input, const pairfit::result &r) {
    std::string text;
    try {
        text = pairfit::superposed_file_text(input.first, input.second, input.pairs, r,
                                             pairfit::format_for_path(path));
    } catch (const pairfit::error &e) {
        std::fprintf(stderr, "Couldn't write file %s: %s\n", path, e.what());
        return false;
    }
    return write_or_complain(path, text);
}
