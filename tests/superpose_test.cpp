// The rotational fit: the half-turn constant, and pairs it cannot turn.
#include <memory>
#include <vector>

#include "superpose/superpose.h"
#include "test_util.h"

namespace {

using pairfit::atom;
using pairfit::molecule;

std::unique_ptr<molecule> molecule_of(const pairfit::structure &s) {
  auto mol = std::make_unique<molecule>();
  for (const pairfit::ca_atom &a : s.atoms) mol->atoms[mol->natoms++] = atom{a.x, a.y, a.z, 0.0, 1};
  return mol;
}

}  // namespace

TEST(Superposition, HalfTurnAboutXIsUndoneNearlyButNotExactly) {
  // y and z negated: the first x step adds the half turn 3.14159265, which is
  // a little less than pi, so a second pass follows and leaves a trace.
  auto m1 = molecule_of(read_atoms(data_file("ubiquitin_1d3z_model1.pdb")));
  pairfit::center_molecule(m1.get());
  auto m2 = std::make_unique<molecule>(*m1);
  double h[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int k = 0; k < m2->natoms; ++k) {
    atom *a = &m2->atoms[k];
    a->y = -a->y, a->z = -a->z;
    const double p[3] = {m1->atoms[k].x, m1->atoms[k].y, m1->atoms[k].z}, q[3] = {a->x, a->y, a->z};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) h[3 * i + j] += p[i] * q[j];
  }
  double u[9];
  EXPECT_GE(pairfit::fit_rotation(h, u), 2);
  const double fit = pairfit::superimpose_molecules(m1.get(), m2.get(), u);
  EXPECT_GT(fit, 0.0);
  EXPECT_LT(fit, 1e-6);
}

TEST(Superposition, CollinearPairsGiveExactlyOne) {
  // Two selected pairs on the x axis give no angle: U stays the identity.
  auto m1 = std::make_unique<molecule>(), m2 = std::make_unique<molecule>();
  const double x1[] = {1, -1, 0}, x2[] = {2, -2, 0};
  for (int k = 0; k < 3; ++k) {
    m1->atoms[k] = atom{x1[k], 0, 0, 0, k < 2};
    m2->atoms[k] = atom{x2[k], k == 2 ? 5.0 : 0.0, 0, 0, k < 2};
  }
  m1->natoms = m2->natoms = 3;
  double u[9];
  EXPECT_EQ(pairfit::superimpose_molecules(m1.get(), m2.get(), u), 1.0);
  EXPECT_EQ(std::vector<double>(u, u + 9), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  const double want[3][5] = {{2, 0, 0, 1, 1}, {-2, 0, 0, 1, 1}, {0, 5, 0, 25, 0}};
  for (int k = 0; k < 3; ++k) {
    const atom &a = m2->atoms[k];
    EXPECT_EQ((std::vector<double>{a.x, a.y, a.z, a.sqdev, double(a.selected)}),
              std::vector<double>(want[k], want[k] + 5));
  }
}
