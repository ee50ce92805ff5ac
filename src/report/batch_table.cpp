#include "report/batch_table.h"

#include <cstdlib>
#include <sstream>

namespace pairfit {

namespace {

std::vector<std::string> tab_fields(const std::string &values) {
    std::vector<std::string> fields;
    std::istringstream in(values);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

}  // namespace

bool parse_values(const batch_entry &e, entry_values *out) {
    if (!e.error.empty()) return false;
    std::vector<std::string> fields = tab_fields(e.values);
    if (fields.size() != 6) return false;
    double numbers[6];
    for (int i = 0; i < 6; ++i) {
        char *end = nullptr;
        numbers[i] = std::strtod(fields[i].c_str(), &end);
        if (end == fields[i].c_str() || *end != '\0') return false;
    }
    out->max_natoms = static_cast<int>(numbers[0]);
    out->size = static_cast<int>(numbers[1]);
    out->rms = numbers[2];
    out->score = numbers[3];
    out->pvalue = numbers[4];
    out->normalised_pvalue = numbers[5];
    return true;
}

std::string describe_entry(const batch_entry &e) {
    if (!e.error.empty()) return "not compared: " + e.error;
    std::vector<std::string> f = tab_fields(e.values);
    if (f.size() != 6) return e.values;
    return "size " + f[1] + " (of " + f[0] + " atoms), RMS " + f[2] + " \u00c5, score " + f[3] +
           ", p-value " + f[4] + ", normalised p-value " + f[5];
}

}  // namespace pairfit
