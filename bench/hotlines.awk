# Reads callgrind_annotate --auto=yes output and prints one line per costed
# source line of src/: share of all instructions, file:line, the code.
# Use: awk -v root=REPO_ROOT -f bench/hotlines.awk ANNOTATED | sort -rn
/^-- Auto-annotated source:/ { f = $4; sub(/.*\/src\/src\//, "src/", f); sub("^" root "/", "", f); ln = 1; next }
/^-- line [0-9]+ -/ { ln = $3; next }
/=>/ { next }
/events annotated/ { next }
/^ *([0-9][0-9,]*|\.) / && f ~ /^src\// {
  if ($1 != ".") {
    match($0, /\( *[0-9.]+%\)/)
    p = substr($0, RSTART + 1, RLENGTH - 3); gsub(/ /, "", p)
    code = substr($0, RSTART + RLENGTH); sub(/^ +/, "", code)
    printf "%6.2f%%  %s:%d  %s\n", p, f, ln, code
  }
  ln++
}
