#include "pairfit/warnings.h"

#include <algorithm>
#include <vector>

#include "pairfit/selection.h"

namespace pairfit {

namespace {

// Whether the selection text lists chains: "//A", "/1/A,B", "A" do; "/1",
// "/1/*" and no selection do not.
bool selection_lists_chains(const std::string &selection) {
    if (selection.empty()) return false;
    if (selection[0] != '/') return selection != "*";
    const size_t slash = selection.find('/', 1);
    return slash != std::string::npos && selection.compare(slash + 1, std::string::npos, "*") != 0;
}

// The chain names of the first model in s, in order of first appearance.
std::vector<std::string> chains_of_first_model(const structure &s) {
    std::vector<std::string> chains;
    for (const ca_atom &a : s.atoms) {
        if (a.model != s.atoms.front().model) continue;
        if (std::find(chains.begin(), chains.end(), a.chain_id) == chains.end()) chains.push_back(a.chain_id);
    }
    return chains;
}

}  // namespace

std::string several_models_warning(const structure &s) {
    std::vector<int> models;
    for (const ca_atom &a : s.atoms)
        if (std::find(models.begin(), models.end(), a.model) == models.end()) models.push_back(a.model);
    if (models.size() < 2) return std::string();
    const std::string name = display_name(s);
    return "Warning: " + name + " holds " + std::to_string(models.size()) +
           " models read as one structure, of which only the first can pair; " + s.source +
           "@/M compares model M alone, and pairfit-batch --split models compares every model";
}

std::string merged_chains_warning(const structure &s) {
    if (s.atoms.empty() || selection_lists_chains(s.selection)) return std::string();
    const std::vector<std::string> chains = chains_of_first_model(s);
    if (chains.size() < 2) return std::string();
    std::string listed;
    for (const std::string &chain : chains) listed += (listed.empty() ? "" : ",") + chain;
    return "Warning: the chains of " + display_name(s) + " (" + listed +
           ") are merged in file order and compared as one; " + s.source + "@//" + chains.front() +
           " compares chain " + chains.front() + " alone";
}

}  // namespace pairfit
