// Selections and the report pages. The input is NUL-separated words: the
// first is a selection applied to a small structure of two models and
// three chains; the others become the names in a comparison's page and a
// batch page (file names, selections, residue names, chain identifiers,
// error messages, table values). Every '<' of a name must come out
// escaped: the page holds as many '<' as the same page with each '<' of
// the names replaced by a letter that no name holds.
#include <cstdint>
#include <string>
#include <vector>

#include "pairfit/pairfit.h"
#include "report/batch_page.h"
#include "report/pair_page.h"

namespace {

std::vector<std::string> words_of(const std::string &text) {
    std::vector<std::string> words;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// 24 atoms on a helix-like curve: models 1 and 2, chains A, B and blank.
pairfit::structure small_structure(const std::vector<std::string> &names, size_t first) {
    pairfit::structure s;
    for (int i = 0; i < 24; ++i) {
        pairfit::ca_atom a;
        a.x = 2.3 * __builtin_cos(i * 1.7);
        a.y = 2.3 * __builtin_sin(i * 1.7);
        a.z = 1.5 * i;
        a.serial = i + 1;
        a.atom_name = "CA";
        a.residue_number = i % 12 + 1;
        a.model = i < 12 ? 1 : 2;
        const char *chains[] = {"A", "B", ""};
        a.chain_id = chains[i % 3];
        a.residue_name = "ALA";
        if (!names.empty()) {
            a.residue_name = names[(first + i) % names.size()];
            if (i % 5 == 0) a.chain_id = names[(first + 2 * i) % names.size()];
        }
        s.atoms.push_back(a);
    }
    return s;
}

// Both pages for the names, one text after the other.
std::string pages(const std::vector<std::string> &names) {
    pairfit::structure one = small_structure(names, 0), two = small_structure(names, 3);
    one.source = names[0 % names.size()];
    two.source = names[1 % names.size()];
    one.selection = names[2 % names.size()];
    pairfit::pairing pairs;
    for (int k = 0; k < 24; ++k) {
        pairs.first.push_back(k);
        pairs.second.push_back(k);
    }
    pairfit::compare_options options;
    options.min_size = 5;
    options.per_size_scores = true;
    static pairfit::workspace workspace;
    pairfit::result r;
    pairfit::compare(workspace, one, two, pairs, options, r);
    const pairfit::pair_page_input in{one,  two,     pairs, pairfit::pairing_method::residue_number, r, 5,
                                      true, nullptr, {}};
    std::string text = pairfit::pair_page_html(in, "");

    pairfit::batch_table table;
    table.files = names;
    table.all_pairs = names.size() % 2 == 0;
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        pairfit::batch_entry e;
        e.file1 = static_cast<int>(i);
        e.file2 = static_cast<int>(i + 1);
        if (i % 3 == 2)
            e.error = names[i];
        else
            e.values = i % 3 == 0 ? "24\t20\t0.5\t300.0\t1.0e-05\t3.0e+00" : names[i + 1];
        table.entries.push_back(e);
    }
    return text + pairfit::batch_page_html(table, 5);
}

size_t count_of(const std::string &text, char c) {
    size_t n = 0;
    for (char x : text) n += x == c;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::vector<std::string> words = words_of(std::string(reinterpret_cast<const char *>(data), size));
    try {
        pairfit::select(small_structure({}, 0), words[0]);
    } catch (const pairfit::read_error &) {
    }
    const std::vector<std::string> names(words.begin() + 1, words.end());
    if (names.empty() || names.size() > 64) return 0;
    std::string all;
    for (const std::string &name : names) all += name;
    if (all.find('<') == std::string::npos) return 0;
    char letter = 0;
    for (char c = 'a'; c <= 'z' && letter == 0; ++c)
        if (all.find(c) == std::string::npos) letter = c;
    if (letter == 0) return 0;
    std::vector<std::string> plain = names;
    for (std::string &name : plain)
        for (char &c : name)
            if (c == '<') c = letter;
    if (count_of(pages(names), '<') != count_of(pages(plain), '<')) __builtin_trap();
    return 0;
}
