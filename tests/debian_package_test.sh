#!/usr/bin/env bash
# Builds the Debian package of the build tree (cpack, prefix /usr), installs
# it with dpkg, uses what it installed as a user would (both programs from
# PATH on the example pair, `import pairfit` with /usr/bin/python3 from an
# empty folder, the library example built against the installed CMake
# package, the manual pages), removes it again and checks that nothing it
# installed is left behind.
# Arguments: the build directory, the source directory, the version.
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2") version=$3
. "$source/tests/system_test_common.sh"

[ "$(id -u)" -eq 0 ] || cannot_run "installing a package needs root, and this is user $(id -un)"
for program in dpkg dpkg-deb dpkg-shlibdeps cpack man; do
  command -v "$program" >/dev/null || cannot_run "$program is not installed: not a Debian system with dpkg-dev and man-db"
done
take_system_lock
! dpkg-query -W -f='${Status}' pairfit 2>/dev/null | grep -q installed ||
  { echo "a pairfit package is installed already; this test would replace it (remove it with dpkg -r pairfit)"; exit 1; }
scratch=$(mktemp -d /tmp/pairfit-deb-XXXXXX)
installed=no
trap 'status=$?; [ $installed = no ] || dpkg -r pairfit >/dev/null 2>&1 || status=1; rm -rf "$scratch"; exit $status' EXIT
trap 'exit 1' INT TERM
quietly() {  # runs a command, showing its output only when it fails
  "$@" > "$scratch/log" 2>&1 || { cat "$scratch/log"; return 1; }
}

quietly cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" \
  -D CPACK_INSTALL_PREFIX=/usr -D CPACK_PACKAGING_INSTALL_PREFIX=/usr
deb=$scratch/package/pairfit_${version}_amd64.deb
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libc6 zlib1g python3 python3-numpy; do
  grep -Eq "(^|, )$dependency( |,|$)" <<<"$depends" || { echo "the package does not depend on $dependency: $depends"; exit 1; }
done
# What the package holds beside what is used below, and which of its paths
# the machine has already (directories such as /usr/bin): those may stay.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | sort > "$scratch/contents"
for path in /usr/share/doc/pairfit/LICENSE /usr/share/doc/pairfit/html/index.html; do
  grep -qx "$path" "$scratch/contents" || { echo "the package lacks $path"; exit 1; }
done
while read -r path; do [ ! -e "$path" ] || echo "$path"; done < "$scratch/contents" | sort > "$scratch/present-before"

installed=yes
quietly dpkg -i "$deb"
mkdir "$scratch/empty"
cd "$scratch/empty"
cp "$source"/examples/demo_ldh_*.pdb .
values=$'329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01' tab=$'\t'
# One version everywhere: the package's, the programs', the module's.
[ "$(dpkg-query -W -f='${Version}' pairfit)" = "$version" ]
[ "$(command -v pairfit) $(pairfit --version)" = "/usr/bin/pairfit pairfit $version" ]
[ "$(command -v pairfit-batch) $(pairfit-batch --version)" = "/usr/bin/pairfit-batch pairfit-batch $version" ]
[ "$(env -u LD_LIBRARY_PATH pairfit demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb)" = "SCORE:$tab$values" ]
[ "$(env -u LD_LIBRARY_PATH pairfit-batch -j 1 demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb | tail -n 1)" = \
  "demo_ldh_6ldh_A.pdb${tab}demo_ldh_1ldm_A.pdb$tab$values" ]
env -u PYTHONPATH -u PYTHONDONTWRITEBYTECODE /usr/bin/python3 - "$version" "$values" <<'PY'
import sys
import pairfit
assert pairfit.__version__ == sys.argv[1], pairfit.__version__
assert pairfit.__file__ == "/usr/lib/python3/dist-packages/pairfit/__init__.py", pairfit.__file__
assert pairfit.compare("demo_ldh_6ldh_A.pdb", "demo_ldh_1ldm_A.pdb").score_line() == sys.argv[2]
PY
# Each manual page renders without a warning and shows every option line of
# the program's help (blanks squeezed: the formatter may align them anew).
for program in pairfit pairfit-batch; do
  warnings=$(MANWIDTH=80 man --warnings "$program" 2>&1 > "$scratch/$program.man")
  [ -z "$warnings" ] || { echo "man $program: $warnings"; exit 1; }
  sed -i 's/  */ /g' "$scratch/$program.man"
  options=$("$program" --help | grep -- '^ \+-' | tr -s ' ' | sed 's/^ //')
  [ -n "$options" ] || { echo "$program --help lists no options"; exit 1; }
  while read -r line; do
    grep -qF -- "$line" "$scratch/$program.man" || { echo "man $program lacks: $line"; exit 1; }
  done <<<"$options"
done
quietly cmake -S "$source/examples/library" -B "$scratch/consumer"
quietly cmake --build "$scratch/consumer"
grep -q "pairfit_DIR:PATH=/usr/lib/.*cmake/pairfit" "$scratch/consumer/CMakeCache.txt" ||
  { echo "the library example did not find the installed package"; exit 1; }
[ "$("$scratch/consumer/compare_two" demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb | head -n 1)" = \
  "316 of 329 pairs, RMS 1.09 A, p-value 2.49e-12" ]
cd /

dpkg -L pairfit | sort > "$scratch/listed"
quietly dpkg -r pairfit
installed=no
left=$(comm -23 "$scratch/listed" "$scratch/present-before" | while read -r path; do [ ! -e "$path" ] || echo "$path"; done)
if [ -n "$left" ]; then
  echo "left behind after dpkg -r (now removed):"
  echo "$left"
  sort -r <<<"$left" | while read -r path; do rm -rf "$path"; done
  exit 1
fi
echo "Debian package: built, installed, used and removed without a trace"
