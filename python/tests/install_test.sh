#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and imports the installed
# module pairfit from there, away from the source and build trees; and,
# for Debian's prefixes, checks that the interpreter searches the directory
# the module goes to without any PYTHONPATH. Arguments: the build and source
# directories, the interpreter, where the module goes under a prefix other
# than /usr, and under /usr.
set -euo pipefail
build=$1 source=$2 python=$3 install_dir=$4 usr_install_dir=$5
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cd "$scratch"
PYTHONPATH="$scratch/prefix/$install_dir" "$python" - "$scratch/prefix/$install_dir" "$source" <<'PY'
import sys
import pairfit
installed, source = sys.argv[1:]
assert pairfit.__file__.startswith(installed + "/pairfit/"), pairfit.__file__
r = pairfit.compare(source + "/examples/demo_ldh_6ldh_A.pdb", source + "/examples/demo_ldh_1ldm_A.pdb")
assert r.score_line() == "329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01", r.score_line()
for name in ("__init__.py", "_errors.py", "_pairfit.pyi", "py.typed"):
    open(installed + "/pairfit/" + name).close()
PY
# The prefix /usr gets a directory of its own (Debian's); a build for /usr
# and one for /usr/local both serve both prefixes.
for debian_prefix in /usr /usr/local; do
  dir=$install_dir
  [ "$debian_prefix" = /usr ] && dir=$usr_install_dir
  case "$dir" in
    lib/python*) env -u PYTHONPATH "$python" -c 'import sys; assert sys.argv[1] in sys.path, sys.path' "$debian_prefix/$dir" ;;
  esac
done
echo "python install test passed"
