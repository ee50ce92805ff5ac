# Sourced by the tests that change the machine (install a Debian package,
# start Slurm daemons): what they share.

# A test that cannot run here says why and is skipped (exit status 77, which
# ctest reports as skipped); where the machine is known to be able to run it
# (CI sets PAIRFIT_REQUIRE_SYSTEM_TESTS=1), it fails instead.
cannot_run() {
  echo "$*"
  [ -z "${PAIRFIT_REQUIRE_SYSTEM_TESTS:-}" ] || { echo "PAIRFIT_REQUIRE_SYSTEM_TESTS is set: failing instead of skipping"; exit 1; }
  echo "skipped"
  exit 77
}

# One such test at a time on the machine, whichever build or worktree runs
# it: the lock is held on file descriptor 9 until the test's shell exits.
take_system_lock() {
  exec 9>/tmp/pairfit-system-test.lock
  flock -w 1800 9 || { echo "could not take /tmp/pairfit-system-test.lock in 30 minutes"; exit 1; }
}
