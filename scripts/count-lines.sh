#!/bin/sh
# count-lines.sh — lines of code of the program, the simulator, the build code and the tests, the
# tests' share of all of it and their ratio to the rest. A line counts when it is neither blank nor
# only a comment.
#   program:    app driver gfx indicator osd sheet tools (C/C++)
#   simulator:  sim (C/C++): the simulator, and the Linux power driver beside it
#   tests:      tests (C/C++, Python, shell), without the benchmarks in tests/bench
#   build code: what makes the shipped files besides the compiler and that the tests also check:
#               scripts (Python, shell), res (resource script and header), installer (NSIS),
#               packaging (the Debian package's launcher and scripts)
#   count-lines.sh FILE...   prints the lines of code of each file instead
# Run from anywhere; always exits 0.
[ $# -eq 0 ] || here=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 0

# Lines of code in the files named on standard input. C-style /* */ blocks and // lines are comments
# in .c/.cpp/.h/.rc; # lines are comments in .py/.sh, ; and # lines in .nsi.
count() {
    files=$(cat)
    [ -n "$files" ] || { echo 0; return; }
    # shellcheck disable=SC2086
    awk '
        FNR == 1 { block = 0; hash = (FILENAME ~ /\.(py|sh|nsi)$/) }
        {
            line = $0
            gsub(/^[ \t]+|[ \t\r]+$/, "", line)
            if (hash) { if (line != "" && line !~ /^[#;]/) n++; next }
            if (block) {
                if (line !~ /\*\//) next
                line = substr(line, index(line, "*/") + 2)
                gsub(/^[ \t]+/, "", line)
                block = 0
            }
            while (line ~ /^\/\*/) {
                if (line !~ /\*\//) { block = 1; line = ""; break }
                line = substr(line, index(line, "*/") + 2)
                gsub(/^[ \t]+/, "", line)
            }
            if (line != "" && line !~ /^\/\//) n++
        }
        END { print n + 0 }' $files
}

sources() {   # sources FOLDER... : the C/C++ files below the folders
    find "$@" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort
}

if [ $# -gt 0 ]; then
    cd "$here" || exit 0
    for file; do printf '%6d %s\n' "$(echo "$file" | count)" "$file"; done
    exit 0
fi

program=$(sources app driver gfx indicator osd sheet tools | count)
simulator=$(sources sim | count)
tests=$( { sources tests; find tests -type f \( -name '*.py' -o -name '*.sh' \) 2>/dev/null; } |
         grep -v '^tests/bench/' | count)
bench=$(sources tests/bench | count)
build=$(find scripts res installer packaging -type f \( -name '*.py' -o -name '*.sh' -o -name '*.rc' -o -name '*.h' \
        -o -name '*.nsi' \) 2>/dev/null | sort | count)

echo "program:    $program lines"
echo "simulator:  $simulator lines"
echo "tests:      $tests lines (benchmarks apart: $bench lines)"
echo "build code: $build lines (scripts, resources, installer, packaging)"
awk -v t="$tests" -v p="$program" -v s="$simulator" -v b="$build" 'BEGIN {
    rest = p + s + b
    printf "tests share of all code (tests included): %.1f %%\n", (rest + t) ? 100 * t / (rest + t) : 0
    printf "tests to the rest (program + simulator + build code): %.1f %%\n", rest ? 100 * t / rest : 0
}'
exit 0
