#include <cctype>
#include <fstream>

#include "pairfit/alignment.h"
#include "pairfit/selection.h"
#include "structure/residue_names.h"

namespace pairfit {

std::string atom_sequence(const structure &s) {
    std::string sequence;
    sequence.reserve(s.size());
    for (const ca_atom &a : s.atoms) sequence += one_letter_code(a.residue_name);
    return sequence;
}

std::array<std::string, 3> alignment_lines(const structure &first, const structure &second,
                                           const pairing &pairs, const std::vector<char> &in_subset) {
    const std::string a = atom_sequence(first), b = atom_sequence(second);
    std::array<std::string, 3> lines;
    size_t i = 0, j = 0;
    auto column = [&](char top, char mark, char bottom) {
        lines[0] += top;
        lines[1] += mark;
        lines[2] += bottom;
    };
    for (size_t k = 0; k <= pairs.size(); ++k) {
        const size_t next_i = k < pairs.size() ? pairs.first[k] : a.size();
        const size_t next_j = k < pairs.size() ? pairs.second[k] : b.size();
        for (; i < next_i; ++i) column(a[i], ' ', '-');
        for (; j < next_j; ++j) column('-', ' ', b[j]);
        if (k == pairs.size()) break;
        column(a[i++], k < in_subset.size() && in_subset[k] ? ':' : '.', b[j++]);
    }
    return lines;
}

sequence_alignment read_alignment_file(const std::string &path) {
    std::ifstream in(path);
    if (!in) throw error("Couldn't open alignment file " + path);
    std::vector<std::string> records;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '>') {
            records.emplace_back();
            continue;
        }
        for (char c : line) {
            if (std::isspace(static_cast<unsigned char>(c))) continue;
            if (records.empty() || !(std::isalpha(static_cast<unsigned char>(c)) || c == '-' || c == '.'))
                throw error("Alignment file " + path +
                            " is not FASTA: sequence lines hold letters and '-' after a '>' line");
            records.back() += c == '.' ? '-' : c;
        }
    }
    if (in.bad()) throw error("Error reading alignment file " + path);
    if (records.size() != 2)
        throw error("Alignment file " + path + " holds " + std::to_string(records.size()) +
                    " records; it needs exactly two, structure 1's sequence then structure 2's");
    if (records[0].size() != records[1].size())
        throw error("Alignment file " + path + ": the two records differ in length (" +
                    std::to_string(records[0].size()) + " and " + std::to_string(records[1].size()) +
                    " columns, gaps included)");
    return {records[0], records[1]};
}

namespace {

// Throws when aligned, without its gaps, does not spell s's sequence.
void check_record(const std::string &aligned, const structure &s, int number) {
    const std::string sequence = atom_sequence(s);
    size_t position = 0;
    for (char c : aligned) {
        if (c == '-') continue;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool matches = position < sequence.size() &&
                             (letter == sequence[position] || letter == 'X' || sequence[position] == 'X');
        if (!matches) {
            const std::string where = "record " + std::to_string(number) +
                                      " of the alignment does not match " + display_name(s) +
                                      " at position " + std::to_string(position + 1);
            if (position >= sequence.size())
                throw error(where + ": the record goes on, the structure has " +
                            std::to_string(sequence.size()) + " C-alpha atoms");
            const ca_atom &atom = s.atoms[position];
            throw error(where + ": " + letter + " in the alignment, " + sequence[position] + " (" +
                        atom.residue_name + " " + std::to_string(atom.residue_number) + ") in the structure");
        }
        ++position;
    }
    if (position < sequence.size())
        throw error("record " + std::to_string(number) + " of the alignment does not match " +
                    display_name(s) + " at position " + std::to_string(position + 1) +
                    ": the record ends after " + std::to_string(position) + " residues, the structure has " +
                    std::to_string(sequence.size()) + " C-alpha atoms");
}

}  // namespace

pairing pair_by_alignment(const structure &first, const structure &second,
                          const sequence_alignment &alignment) {
    if (alignment.first.size() != alignment.second.size())
        throw error("The two aligned sequences differ in length, gaps included");
    check_record(alignment.first, first, 1);
    check_record(alignment.second, second, 2);
    pairing pairs;
    int i = 0, j = 0;
    for (size_t c = 0; c < alignment.first.size(); ++c) {
        const bool in1 = alignment.first[c] != '-', in2 = alignment.second[c] != '-';
        if (in1 && in2) {
            pairs.first.push_back(i);
            pairs.second.push_back(j);
        }
        i += in1;
        j += in2;
    }
    return pairs;
}

}  // namespace pairfit
