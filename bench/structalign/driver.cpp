// Aligns two structures by structure and prints the TM-score of the
// alignment (normalised by structure 1), the number of aligned pairs, the
// sequence identity over them and the processor seconds the alignment took.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "align/structure_alignment.h"
#include "pairfit/alignment.h"
#include "pairfit/selection.h"
#include "structure/residues.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: structalign_driver FILE1[@SEL] FILE2[@SEL]\n");
        return 1;
    }
    try {
        pairfit::structure s[2];
        for (int k = 0; k < 2; ++k) s[k] = pairfit::read_named_structure(argv[k + 1]);
        // Processor time, as the other program is measured.
        const std::clock_t start = std::clock();
        const pairfit::pairing pairs = pairfit::pair_by_structure(s[0], s[1]);
        const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
        std::vector<gemmi::Position> x, y;
        for (size_t k = 0; k < pairs.size(); ++k) {
            const pairfit::ca_atom &p = s[0].atoms[pairs.first[k]], &q = s[1].atoms[pairs.second[k]];
            x.emplace_back(p.x, p.y, p.z);
            y.emplace_back(q.x, q.y, q.z);
        }
        const int length = static_cast<int>(s[0].size());
        const double tm = pairfit::superposition_search().max_tm_score(
            x.data(), y.data(), static_cast<int>(x.size()), pairfit::tm_score_d0(length), length,
            pairfit::thorough_tm_search);
        const std::string a = pairfit::atom_sequence(s[0]), b = pairfit::atom_sequence(s[1]);
        int same = 0;
        for (size_t k = 0; k < pairs.size(); ++k) same += a[pairs.first[k]] == b[pairs.second[k]];
        std::printf("%.5f\t%zu\t%.3f\t%.3f\n", tm, pairs.size(),
                    pairs.size() ? double(same) / pairs.size() : 0.0, seconds);
        // The alignment in FASTA, for other programs to score: one letter a
        // residue, as they read files (the first of alternate locations).
        if (std::getenv("STRUCTALIGN_FASTA") != nullptr) {
            pairfit::structure firsts[2];
            std::vector<int> index[2];
            for (int k = 0; k < 2; ++k) {
                firsts[k].source = s[k].source;
                for (size_t i = 0; i < s[k].size(); ++i) {
                    const bool repeat = i > 0 && pairfit::same_residue(s[k].atoms[i - 1], s[k].atoms[i]);
                    index[k].push_back(repeat ? -1 : static_cast<int>(firsts[k].size()));
                    if (!repeat) firsts[k].atoms.push_back(s[k].atoms[i]);
                }
            }
            pairfit::pairing kept;
            for (size_t k = 0; k < pairs.size(); ++k) {
                const int i = index[0][pairs.first[k]], j = index[1][pairs.second[k]];
                if (i < 0 || j < 0) continue;
                kept.first.push_back(i);
                kept.second.push_back(j);
            }
            const auto lines = pairfit::alignment_lines(firsts[0], firsts[1], kept, {});
            std::FILE *out = std::fopen(std::getenv("STRUCTALIGN_FASTA"), "w");
            if (out == nullptr) return 1;
            std::fprintf(out, ">1\n%s\n>2\n%s\n", lines[0].c_str(), lines[2].c_str());
            std::fclose(out);
        }
    } catch (const pairfit::error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
