// The rotational fit: the half-turn constant, and pairs it cannot turn.
#include <memory>
#include <vector>

#include "superpose/superpose.h"
#include "test_util.h"

TEST(Superposition, HalfTurnAboutXIsUndoneNearlyButNotExactly) {
  // y and z negated: the first x step adds the half turn 3.14159265, which is
  // a little less than pi, so a second pass follows and leaves a trace.
  auto m1 = read_mol(data_file("ubiquitin_1d3z_model1.pdb"));
  center_molecule(m1.get());
  auto m2 = std::make_unique<molecule>(*m1);
  for (atom *a = m2->atoms; a < m2->atoms + m2->natoms; ++a) a->y = -a->y, a->z = -a->z;
  double u[9];
  fit_passes_peak = 0;
  const double fit = superimpose_molecules(m1.get(), m2.get(), u);
  EXPECT_GT(fit, 0.0);
  EXPECT_LT(fit, 1e-6);
  EXPECT_GE(fit_passes_peak, 2);
}

TEST(Superposition, CollinearPairsGiveExactlyOne) {
  // Two selected pairs on the x axis give no angle: U stays the identity.
  auto m1 = std::make_unique<molecule>(), m2 = std::make_unique<molecule>();
  const double x1[] = {1, -1, 0}, x2[] = {2, -2, 0};
  for (int k = 0; k < 3; ++k) {
    m1->atoms[k] = atom{x1[k], 0, 0, 0, "ALA", "CA", k, k, k < 2};
    m2->atoms[k] = atom{x2[k], k == 2 ? 5.0 : 0.0, 0, 0, "ALA", "CA", k, k, k < 2};
  }
  m1->natoms = m2->natoms = 3;
  double u[9];
  EXPECT_EQ(superimpose_molecules(m1.get(), m2.get(), u), 1.0);
  EXPECT_EQ(std::vector<double>(u, u + 9), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_EQ(atoms_of(*m2), "0 CA ALA 0 2 0 0 1 1\n1 CA ALA 1 -2 0 0 1 1\n2 CA ALA 2 0 5 0 25 0\n");
}
