#include "report_files.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <set>

#include "output_file.h"
#include "report/pair_page.h"
#include "report/pymol_script.h"
#include "report/superposed_file.h"
#include "report/viewer_script.h"

namespace {

bool write_or_complain(const char *path, const std::string &content) {
    std::string reason;
    if (write_whole_file(path, content, &reason)) return true;
    std::fprintf(stderr, "Couldn't write file %s: %s\n", path, reason.c_str());
    return false;
}

}  // namespace

bool write_html_report(const char *path, const pairfit::pair_page_input &page) {
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
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "Couldn't write file %s: out of memory\n", path);
        return false;
    }
    return write_or_complain(path, text);
}

bool write_json_file(const char *path, const pairfit::comparison_description &document) {
    return write_or_complain(path, pairfit::document_json(document));
}

bool write_pymol_script(const char *path, const char *superposed_path, const pairfit::structure &first) {
    // The script may be run from any directory: it names the file in full.
    char absolute[PATH_MAX];
    const std::string target = realpath(superposed_path, absolute) != nullptr ? absolute : superposed_path;
    std::set<int> models;
    for (const pairfit::ca_atom &a : first.atoms) models.insert(a.model);
    const int first_models = models.empty() ? 1 : static_cast<int>(models.size());
    return write_or_complain(path, pairfit::pymol_script_text(target, first_models));
}
