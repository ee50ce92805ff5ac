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
if dpkg-query -W -f='${Status}' pairfit 2>/dev/null | grep -q installed; then
  echo "a pairfit package is installed already; this test would replace it (remove it with dpkg -r pairfit)"
  exit 1
fi

scratch=$(mktemp -d /tmp/pairfit-deb-XXXXXX)
installed=no
cleanup() {
  local status=$?
  [ "$installed" = yes ] && { dpkg -r pairfit >/dev/null 2>&1 || status=1; }
  rm -rf "$scratch"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" \
  -D CPACK_INSTALL_PREFIX=/usr -D CPACK_PACKAGING_INSTALL_PREFIX=/usr > "$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
deb=$scratch/package/pairfit_${version}_amd64.deb
[ -f "$deb" ] || { echo "no $deb"; ls "$scratch/package"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dependency in libc6 zlib1g python3 python3-numpy; do
  grep -Eq "(^|, )$dependency( |,|$)" <<<"$depends" || { echo "the package does not depend on $dependency"; exit 1; }
done

# What the package holds, and which of those paths the machine has already
# (directories such as /usr/bin): those may stay after the removal.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | sort > "$scratch/contents"
while read -r path; do
  [ -e "$path" ] && echo "$path"
done < "$scratch/contents" > "$scratch/present-before"
for path in /usr/bin/pairfit /usr/bin/pairfit-batch /usr/include/pairfit/pairfit.h /usr/include/pairfit/version.h \
            /usr/lib/python3/dist-packages/pairfit/__init__.py /usr/share/man/man1/pairfit.1 \
            /usr/share/man/man1/pairfit-batch.1 /usr/share/doc/pairfit/LICENSE /usr/share/doc/pairfit/html/index.html; do
  grep -qx "$path" "$scratch/contents" || { echo "the package lacks $path"; exit 1; }
done
grep -q '^/usr/lib/.*libpairfit\.a$' "$scratch/contents" || { echo "the package lacks the library"; exit 1; }
grep -q '^/usr/lib/.*cmake/pairfit/pairfitConfig\.cmake$' "$scratch/contents" || { echo "the package lacks the CMake package"; exit 1; }

installed=yes
dpkg -i "$deb" > "$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log"; exit 1; }
dpkg -L pairfit | sort > "$scratch/listed"

mkdir "$scratch/empty"
cd "$scratch/empty"
cp "$source"/examples/demo_ldh_*.pdb .
expected=$'SCORE:\t329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01'
[ "$(command -v pairfit)" = /usr/bin/pairfit ] && [ "$(command -v pairfit-batch)" = /usr/bin/pairfit-batch ]
# One version everywhere: the package's, the programs', the module's.
[ "$(dpkg-query -W -f='${Version}' pairfit)" = "$version" ]
[ "$(pairfit --version)" = "pairfit $version" ] && [ "$(pairfit-batch --version)" = "pairfit-batch $version" ]
[ "$(env -u LD_LIBRARY_PATH pairfit demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb)" = "$expected" ]
tab=$'\t'
[ "$(env -u LD_LIBRARY_PATH pairfit-batch -j 1 demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb | tail -n 1)" = \
  "demo_ldh_6ldh_A.pdb${tab}demo_ldh_1ldm_A.pdb${tab}${expected#SCORE:$tab}" ]
env -u PYTHONPATH -u PYTHONDONTWRITEBYTECODE /usr/bin/python3 - "$version" <<'PY'
import sys
import pairfit
assert pairfit.__version__ == sys.argv[1], pairfit.__version__
assert pairfit.__file__ == "/usr/lib/python3/dist-packages/pairfit/__init__.py", pairfit.__file__
r = pairfit.compare("demo_ldh_6ldh_A.pdb", "demo_ldh_1ldm_A.pdb")
assert r.score_line() == "329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01", r.score_line()
PY
# Each manual page renders without a warning and shows every option line of
# the program's help (blanks squeezed: the formatter may align them anew).
for program in pairfit pairfit-batch; do
  warnings=$(MANWIDTH=80 man --warnings "$program" 2>&1 > "$scratch/$program.man")
  [ -z "$warnings" ] || { echo "man $program: $warnings"; exit 1; }
  tr -s ' ' < "$scratch/$program.man" > "$scratch/$program.man.squeezed"
  "$program" --help | grep -- '^ \+-' | tr -s ' ' | sed 's/^ //' > "$scratch/$program.options"
  [ -s "$scratch/$program.options" ] || { echo "$program --help lists no options"; exit 1; }
  while read -r line; do
    grep -qF -- "$line" "$scratch/$program.man.squeezed" || { echo "man $program lacks: $line"; exit 1; }
  done < "$scratch/$program.options"
done
cmake -S "$source/examples/library" -B "$scratch/consumer" > "$scratch/consumer.log" 2>&1 &&
  cmake --build "$scratch/consumer" >> "$scratch/consumer.log" 2>&1 || { cat "$scratch/consumer.log"; exit 1; }
grep -q "pairfit_DIR:PATH=/usr/lib/.*cmake/pairfit" "$scratch/consumer/CMakeCache.txt" ||
  { echo "the library example did not find the installed package"; grep pairfit_DIR "$scratch/consumer/CMakeCache.txt"; exit 1; }
[ "$("$scratch/consumer/compare_two" demo_ldh_6ldh_A.pdb demo_ldh_1ldm_A.pdb | head -n 1)" = \
  "316 of 329 pairs, RMS 1.09 A, p-value 2.49e-12" ]
cd /

dpkg -r pairfit > "$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log"; exit 1; }
installed=no
left=$(while read -r path; do
         [ -e "$path" ] && ! grep -qx "$path" "$scratch/present-before" && echo "$path"
       done < "$scratch/listed" || true)
if [ -n "$left" ]; then
  echo "left behind after dpkg -r (now removed):"
  echo "$left"
  sort -r <<<"$left" | while read -r path; do rm -rf "$path"; done
  exit 1
fi
echo "Debian package: built, installed, used and removed without a trace"
