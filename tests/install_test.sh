#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and uses it from there as
# another project would: with BUILD SOURCE [LINK_FLAGS], the library example
# (find_package(pairfit)) and pairfit on the example pair; with BUILD SOURCE
# "" PYTHON DIR USR_DIR, `import pairfit` from DIR (where the module goes
# under a prefix other than /usr; USR_DIR under /usr), and for Debian's
# prefixes that the interpreter searches those without any PYTHONPATH.
set -euo pipefail
build=$1 source=$2 link_flags=${3:-}
ldh1=$source/examples/demo_ldh_6ldh_A.pdb ldh2=$source/examples/demo_ldh_1ldm_A.pdb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cd "$scratch"
if [ $# -gt 3 ]; then
  python=$4 dir=$5 usr_dir=$6
  PYTHONPATH="$scratch/prefix/$dir" "$python" - "$scratch/prefix/$dir" "$ldh1" "$ldh2" <<'PY'
import sys
import pairfit
installed, ldh1, ldh2 = sys.argv[1:]
assert pairfit.__file__ == installed + "/pairfit/__init__.py", pairfit.__file__
assert pairfit.compare(ldh1, ldh2).score_line() == "329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01"
for name in ("_pairfit.pyi", "py.typed"):
    open(installed + "/pairfit/" + name).close()
PY
  for prefix_and_dir in "/usr/local $dir" "/usr $usr_dir"; do
    read -r prefix dir <<<"$prefix_and_dir"
    [[ $dir != lib/python* ]] || env -u PYTHONPATH "$python" -c 'import sys; assert sys.argv[1] in sys.path' "$prefix/$dir"
  done
else
  cmake -S "$source/examples/library" -B consumer -DCMAKE_PREFIX_PATH="$scratch/prefix" \
    -DCMAKE_EXE_LINKER_FLAGS="$link_flags" >/dev/null
  cmake --build consumer >/dev/null
  out=$(consumer/compare_two "$ldh1" "$ldh2")
  echo "$out"
  [ "$(echo "$out" | head -1) $(echo "$out" | wc -l)" = "316 of 329 pairs, RMS 1.09 A, p-value 2.49e-12 4" ]
  # The installed pairfit agrees with the example on the size.
  [ "$(prefix/bin/pairfit "$ldh1" "$ldh2" | cut -f3)" = 316 ] && [ -x prefix/bin/pairfit-batch ]
fi
echo "install test passed"
