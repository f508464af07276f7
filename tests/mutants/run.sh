#!/bin/sh
# make mutants: plants each fault of tests/mutants/*.patch in a scratch copy of the tree, builds it,
# runs the suite until the first test fails and prints one line per patch, caught (by which test)
# or MISSED, then the totals. Stops with an error when a patch no longer applies.
#   MUTANTS=name,name tests/mutants/run.sh     (names without .patch; all patches by default)
# A patch may name the tests most likely to catch it on a line "Tests: REGEX": those run first and,
# when none of them fails, the rest of the suite. The scratch tree and its builds stay in
# build/mutants, so that the next run rebuilds only what changed. Exits 1 unless every patch is caught.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$root/build/mutants/tree
logs=$root/build/mutants/logs
mkdir -p "$tree" "$logs"

# The scratch tree gets the working tree's files; only those whose content differs are copied, so
# that a file left newer by an earlier patch and its reversal is still rebuilt.
(cd "$root" && git ls-files -co --exclude-standard) | while IFS= read -r file; do
    cmp -s "$root/$file" "$tree/$file" 2>/dev/null && continue
    mkdir -p "$(dirname "$tree/$file")"
    cp "$root/$file" "$tree/$file"
done

if [ -n "${MUTANTS:-}" ]; then
    patches=$(echo "$MUTANTS" | tr ',' '\n' | sed "s|^|$root/tests/mutants/|; s|\$|.patch|")
else
    patches=$(ls "$root"/tests/mutants/*.patch)
fi
for patch in $patches; do
    [ -f "$patch" ] || { echo "mutants: no such patch: $patch" >&2; exit 1; }
    patch -d "$tree" -p1 -s -f --dry-run <"$patch" >/dev/null \
        || { echo "mutants: $(basename "$patch") no longer applies" >&2; exit 1; }
done

# suite LOG [CTEST ARGUMENTS...]: runs the tests of the scratch tree up to the first failure and
# prints the name of the test that failed, nothing when none did, "!" when the suite did not run.
suite() {
    log=$1
    shift
    : >"$log.run"
    "$tree/scripts/test.sh" "$tree/build" --stop-on-failure "$@" >"$log.run" 2>&1
    cat "$log.run" >>"$log"
    failed=$(sed -n '/The following tests FAILED/,$ s/^[[:space:]]*[0-9]* - \(.*\) (.*$/\1/p' "$log.run")
    if [ -n "$failed" ]; then
        echo "$failed" | head -n 1
    elif ! grep -q -e 'tests passed' -e 'No tests were found' "$log.run"; then
        echo "!"
    fi
    rm -f "$log.run"
}

caught=0 missed=0 broken=0 started=$(date +%s)
for patch in $patches; do
    name=$(basename "$patch" .patch)
    log=$logs/$name.log
    : >"$log"
    hint=$(sed -n 's/^Tests: //p' "$patch" | head -n 1)
    patch -d "$tree" -p1 -s -f <"$patch" >>"$log" 2>&1
    by="!"
    if (cd "$tree" && make all) >>"$log" 2>&1; then
        if [ -n "$hint" ]; then
            by=$(suite "$log" -R "$hint")
            [ -n "$by" ] || by=$(suite "$log" -E "$hint")
        else
            by=$(suite "$log")
        fi
    fi
    patch -d "$tree" -p1 -s -f -R <"$patch" >>"$log" 2>&1 \
        || { echo "mutants: $name could not be taken out again; remove $tree" >&2; exit 1; }
    if [ "$by" = "!" ]; then
        broken=$((broken + 1))
        printf '%-40s BROKEN: it does not build, or the suite did not run (log: %s)\n' "$name" "$log"
    elif [ -n "$by" ]; then
        caught=$((caught + 1))
        printf '%-40s caught by %s\n' "$name" "$by"
    else
        missed=$((missed + 1))
        printf '%-40s MISSED (log: %s)\n' "$name" "$log"
    fi
done
echo "mutants: $caught caught, $missed missed, $broken broken, in $(( ($(date +%s) - started) / 60 )) min"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
