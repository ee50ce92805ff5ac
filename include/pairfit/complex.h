// Assemblies of several chains: which chain of one structure goes with
// which chain of the other, and the residue pairs across all mapped chains.
#ifndef PAIRFIT_PUBLIC_COMPLEX_H
#define PAIRFIT_PUBLIC_COMPLEX_H

#include <string>
#include <vector>

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

// A chain is a run of atoms of one model and chain identifier. It is named
// by its identifier or, where the structure holds that identifier in
// several models, by model and identifier ("2/A").
std::vector<std::string> chain_names(const structure &s);

struct chain_match {
    std::string chain1;  // a chain of structure 1
    std::string chain2;  // its partner in structure 2; empty: none
};

struct complex_pairing {
    // One entry per chain of structure 1, in its order.
    std::vector<chain_match> chain_map;
    // Structure 2 with its chains reordered: the partners of structure 1's
    // chains in that order, then its unmapped chains in their own order.
    // Every atom is kept.
    structure second;
    // Atoms of structure 1 with atoms of the reordered structure 2, chain
    // pair by chain pair, each pair of chains paired by method.
    pairing pairs;
};

// Maps the chains of first onto those of second and pairs their residues.
// Candidate chain pairs are those whose sequences are similar (a global
// alignment, BLOSUM62, gaps at the ends not counted, scoring at least 5%
// of the smaller of the two chains' scores against themselves), close to
// the best similarity either chain has. Among the
// assignments the candidates allow, the one whose joint superposition
// fits best is chosen: each candidate partner of the largest chain of the
// structure with fewer chains seeds a superposition, the other chains are
// assigned by the distance of their centres (and their similarity), and
// the superposition on all mapped chains and the assignment are refined in
// turn. Throws error, naming both structures, when no chain pair is
// similar.
complex_pairing pair_complexes(const structure &first, const structure &second, pairing_method method);

// The chain map as pairfit prints it after "CHAINS:": "X=Y" per chain of
// structure 1, tab-separated, "X=-" for a chain without partner.
std::string chain_map_text(const std::vector<chain_match> &map);

// The chain map as the JSON document's chain_map: an array of objects with
// chain1 and chain2 (null for a chain without partner).
std::string chain_map_json(const std::vector<chain_match> &map);

}  // namespace pairfit

#endif
