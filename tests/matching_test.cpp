// Pairing two molecules by residue number, and removing single atoms.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "structure/matching.h"

namespace {

// A molecule with the given residue numbers; every atom remembers where it
// came from in x (residue number * 10 + which molecule) and in number.
std::unique_ptr<molecule> numbered(const std::vector<int> &resnums, int which) {
  auto mol = std::make_unique<molecule>();
  for (size_t k = 0; k < resnums.size(); ++k) {
    atom &a = mol->atoms[k];
    a.resnum = resnums[k];
    a.x = resnums[k] * 10 + which;
    a.y = static_cast<double>(k);
    a.number = static_cast<int>(k) + 100 * which;
    std::snprintf(a.name, NAME_SIZE, "CA");
    std::snprintf(a.resname, NAME_SIZE, "R%d", resnums[k]);
    a.selected = 1;
  }
  mol->natoms = static_cast<int>(resnums.size());
  return mol;
}

}  // namespace

struct MatchCase {
  const char *label;
  std::vector<int> first, second;
  std::vector<std::pair<int, int>> pairs;  // residue numbers of the pairs left
};

TEST(ResidueMatching, WorkedExamples) {
  const std::vector<MatchCase> cases = {
      {"identical", {1, 2, 3}, {1, 2, 3}, {{1, 1}, {2, 2}, {3, 3}}},
      {"gap in second", {1, 2, 3, 4, 5}, {1, 2, 4, 5}, {{1, 1}, {2, 2}, {4, 4}, {5, 5}}},
      {"gap in first", {1, 2, 4, 5}, {1, 2, 3, 4, 5}, {{1, 1}, {2, 2}, {4, 4}, {5, 5}}},
      {"gaps in both", {1, 2, 4, 5, 6}, {1, 2, 3, 4, 6}, {{1, 1}, {2, 2}, {4, 4}, {6, 6}}},
      {"extra at start", {3, 4, 5}, {1, 2, 3, 4, 5}, {{3, 3}, {4, 4}, {5, 5}}},
      {"extra at start of first", {1, 2, 3, 4, 5}, {3, 4, 5}, {{3, 3}, {4, 4}, {5, 5}}},
      {"extra at end of second", {1, 2, 3}, {1, 2, 3, 4, 5}, {{1, 1}, {2, 2}, {3, 3}}},
      {"extra at end of first", {1, 2, 3, 4, 5}, {1, 2, 3}, {{1, 1}, {2, 2}, {3, 3}}},
      {"unequal pair kept", {1, 3, 5}, {2, 4, 5}, {{3, 4}, {5, 5}}},
      {"single unequal pair", {1, 3, 5}, {2, 4, 6}, {{3, 4}}},
      {"common numbers", {1, 2, 5}, {1, 3, 5}, {{1, 1}, {5, 5}}},
      {"order matters", {1, 3, 5}, {1, 2, 5}, {{1, 1}, {3, 5}}},
      {"disjoint", {1, 2, 3}, {5, 6, 7}, {}},
      {"disjoint swapped", {5, 6, 7}, {1, 2, 3}, {}},
      {"first empty", {}, {1, 2, 3}, {}},
      {"second empty", {1, 2, 3}, {}, {}},
      {"duplicate in first", {1, 2, 2, 3}, {1, 2, 3}, {{1, 1}, {2, 2}, {3, 3}}},
      {"duplicates in both", {1, 2, 2, 3}, {1, 2, 2, 3}, {{1, 1}, {2, 2}, {2, 2}, {3, 3}}},
      {"chains in other order", {10, 11, 12, 1, 2, 3}, {1, 2, 3, 10, 11, 12},
       {{10, 10}, {11, 11}, {12, 12}}},
      {"out of order", {2, 1}, {1, 2}, {{2, 2}}},
      {"negative numbers", {-5, -4, -3, -1, 1}, {-4, -3, -2, -1}, {{-4, -4}, {-3, -3}, {-1, -1}}},
  };
  for (const MatchCase &c : cases) {
    SCOPED_TRACE(c.label);
    auto first = numbered(c.first, 1);
    auto second = numbered(c.second, 2);
    check_molecules(first.get(), second.get());
    ASSERT_EQ(first->natoms, static_cast<int>(c.pairs.size()));
    ASSERT_EQ(second->natoms, static_cast<int>(c.pairs.size()));
    for (size_t k = 0; k < c.pairs.size(); ++k) {
      EXPECT_EQ(first->atoms[k].resnum, c.pairs[k].first) << "pair " << k;
      EXPECT_EQ(second->atoms[k].resnum, c.pairs[k].second) << "pair " << k;
      // The whole atom moved with its residue number.
      EXPECT_EQ(first->atoms[k].x, c.pairs[k].first * 10 + 1);
      EXPECT_EQ(second->atoms[k].x, c.pairs[k].second * 10 + 2);
      EXPECT_EQ(std::string(first->atoms[k].resname), "R" + std::to_string(c.pairs[k].first));
    }
  }
}

TEST(ResidueMatching, RestartingNumberingKeepsTheFirstChain) {
  std::vector<int> one, two;
  for (int r = 1; r <= 100; ++r) one.push_back(r);
  two = one;
  two.insert(two.end(), one.begin(), one.end());
  auto first = numbered(two, 1), second = numbered(one, 2);
  check_molecules(first.get(), second.get());
  ASSERT_EQ(first->natoms, 100);
  ASSERT_EQ(second->natoms, 100);
  for (int k = 0; k < 100; ++k) {
    EXPECT_EQ(first->atoms[k].resnum, k + 1);
    EXPECT_EQ(first->atoms[k].y, k);  // from the first chain, not the second
  }
}

TEST(DeleteAtom, MovesRecordsButEachPositionKeepsSqdevAndSelected) {
  auto mol = numbered({1, 2, 3, 4}, 1);
  const int flags[] = {1, 0, 7, 1};
  for (int k = 0; k < 4; ++k) {
    mol->atoms[k].selected = flags[k];
    mol->atoms[k].sqdev = 0.5 + k;
  }
  delete_atom(mol.get(), 1);
  ASSERT_EQ(mol->natoms, 3);
  const int resnums[] = {1, 3, 4};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(mol->atoms[k].resnum, resnums[k]);
    EXPECT_EQ(mol->atoms[k].x, resnums[k] * 10 + 1);
    EXPECT_EQ(mol->atoms[k].number, resnums[k] - 1 + 100);
    EXPECT_EQ(std::string(mol->atoms[k].resname), "R" + std::to_string(resnums[k]));
    EXPECT_EQ(mol->atoms[k].selected, flags[k]);
    EXPECT_EQ(mol->atoms[k].sqdev, 0.5 + k);
  }
  // Index natoms drops the last atom without moving any.
  delete_atom(mol.get(), 3);
  ASSERT_EQ(mol->natoms, 2);
  EXPECT_EQ(mol->atoms[0].resnum, 1);
  EXPECT_EQ(mol->atoms[1].resnum, 3);
  // Removing the last atom in use also just shortens the molecule.
  delete_atom(mol.get(), 1);
  ASSERT_EQ(mol->natoms, 1);
  EXPECT_EQ(mol->atoms[0].resnum, 1);
}
