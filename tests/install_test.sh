#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, builds the library example
# as another project would (find_package(pairfit)) and runs it on the
# example pair.
set -euo pipefail
build=$1 source=$2 link_flags=${3:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
for f in bin/pairfit bin/pairfit-batch include/pairfit/pairfit.h lib/cmake/pairfit/pairfitConfig.cmake; do
  [ -e "$scratch/prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
ls "$scratch"/prefix/lib*/libpairfit.a >/dev/null
cmake -S "$source/examples/library" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_EXE_LINKER_FLAGS="$link_flags" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
out=$("$scratch/consumer/compare_two" "$source/examples/demo_ldh_6ldh_A.pdb" "$source/examples/demo_ldh_1ldm_A.pdb")
echo "$out"
# The installed pairfit agrees with the example on the size and p-value.
score=$("$scratch/prefix/bin/pairfit" "$source/examples/demo_ldh_6ldh_A.pdb" "$source/examples/demo_ldh_1ldm_A.pdb")
[ "$(echo "$score" | cut -f3)" = 316 ]
[ "$(echo "$out" | head -1)" = "316 of 329 pairs, RMS 1.09 A, p-value 2.49e-12" ]
[ "$(echo "$out" | wc -l)" = 4 ]
echo "install test passed"
