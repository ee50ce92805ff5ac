// Rigid domains: the best subset of a comparison and the further rigid
// bodies that the same search finds among the pairs outside it, each with
// its motion relative to the first as a screw motion, and the hinges
// between them along structure 1's chain.
#ifndef PAIRFIT_PUBLIC_DOMAINS_H
#define PAIRFIT_PUBLIC_DOMAINS_H

#include <array>
#include <string>
#include <vector>

#include "pairfit/compare.h"
#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

// A rigid motion x -> R x + t written as a turn by angle about an axis
// followed by a shift along that axis.
struct screw_motion {
    double angle = 0.0;                               // degrees, 0 to 180
    std::array<double, 3> axis_point{{0, 0, 0}};      // the axis point nearest the origin
    std::array<double, 3> axis_direction{{0, 0, 1}};  // unit vector; the turn is right-handed about it
    double translation = 0.0;                         // Angstrom along axis_direction
};

// The screw form of t: the angle from the rotation's trace and its
// antisymmetric part (the symmetric part near 180 degrees), the direction
// from the antisymmetric part, the point as the minimum-norm least-squares
// solution of (I - R) p = t - (t.u) u. Without a turn (below 1e-9 radians)
// the axis is the shift's direction through the origin.
screw_motion screw_from_transform(const rigid_transform &t);

struct domain {
    std::vector<int> pairs;  // indices into the pairing, increasing
    int size = 0;            // pairs.size()
    double rms = 0.0;        // of the search's fit of the domain, Angstrom
    double score = 0.0;      // its Levitt-Gerstein score
    double pvalue = 1.0;
    // Puts structure 2 onto structure 1 fitted on this domain's pairs.
    rigid_transform transform;
    // What carries this domain from where it is in structure 1 to where it
    // is in structure 2 once structure 2 is superposed on domain 1, in
    // structure 1's frame: domain 1's transform after the inverse of this
    // one. Zero for domain 1 itself.
    screw_motion motion;
};

// Consecutive pairs in domains, in structure 1's order and in one chain and
// model of it, that belong to different domains. Pairs in no domain
// between them are passed over.
struct hinge {
    int before = 0, after = 0;                // pair indices
    int domain_before = 0, domain_after = 0;  // domain numbers, from 1
};

struct domain_options {
    // A further domain is kept while its p-value is at most this.
    double max_pvalue = 0.01;
};

struct domain_analysis {
    std::vector<domain> domains;  // domain 1 first: the comparison's best subset
    std::vector<hinge> hinges;    // in pair order
    // Per pair: its domain's number, 0 for none.
    std::vector<int> domain_of_pair;
};

// Splits the pairs of a comparison into rigid domains. Domain 1 is
// best's subset (none at all when best accepted no subset). Then, while
// more than options.min_size pairs lie outside every domain so far, the
// search of options.mode runs on those pairs alone, kept in pair order
// (so that runs of residues consecutive in structure 1 still seed it),
// with the same minimum size, and its best subset becomes the next domain
// when its p-value is at most domain.max_pvalue; otherwise the splitting
// stops. The observer and per-size scores of options are not used. best
// must be compare's result for the same structures, pairing and options.
domain_analysis find_domains(workspace &ws, const structure &first, const structure &second,
                             const pairing &pairs, const compare_options &options, const result &best,
                             const domain_options &domain = {});

domain_analysis find_domains(const structure &first, const structure &second, const pairing &pairs,
                             const compare_options &options, const result &best,
                             const domain_options &domain = {});

// The residues of structure 1 in the pairs listed (increasing pair
// indices), as comma-separated ranges CHAIN:FIRST-LAST (CHAIN:N for one
// residue). A range is a run of pairs consecutive in the pairing, in one
// chain and model; a blank chain identifier is written as nothing (":5-9"),
// an insertion code follows its number ("A:52A-60"), negative numbers keep
// their sign ("A:-5-3"), and when structure 1 holds more than one model
// each range starts with its model number and '/' ("2/A:1-76").
std::string residue_ranges(const structure &first, const pairing &pairs,
                           const std::vector<int> &pair_indices);

// A residue of structure 1 as residue_ranges writes it, with its chain:
// "A:52A".
std::string residue_label(const structure &first, int atom);

// The domains as the JSON document's "domains": one object per domain, in
// order: pairs (indices into the pairing), size, rms, score, pvalue, angle,
// axis_point, axis_direction, translation (the motion relative to domain
// 1) and residues (as residue_ranges writes them).
std::string domains_json(const structure &first, const pairing &pairs, const domain_analysis &analysis);

// The hinges as the document's "hinges": one object per hinge, in pair
// order: domain_before, domain_after, pair_before, pair_after and the two
// residues of structure 1 (residue_before, residue_after, as residue_label
// writes them).
std::string hinges_json(const structure &first, const pairing &pairs, const domain_analysis &analysis);

}  // namespace pairfit

#endif
