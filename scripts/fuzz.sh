#!/bin/sh
# make fuzz: builds Kestrel's text-reading code natively with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each target for a while from its committed seed corpus.
#   fuzz.sh BUILD [SECONDS PER TARGET, default 45]
# A crash stops the run with the fuzzer's report and a reproducer under BUILD/fuzz/<target>/; turn
# it into a unit test before fixing the code.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1/fuzz
seconds=${2:-30}
mkdir -p "$out"
flags="-std=c++11 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I$root/fuzz/include -I$root -DKESTREL_NATIVE"

# target: the program's sources it reads
targets="CommandLine:app/CommandLine.cpp
SkinEntry:indicator/SkinFile.cpp app/Text.cpp
BitmapHead:indicator/SkinFile.cpp app/Text.cpp
GaugeLayout:osd/GaugeLayout.cpp"

echo "$targets" | while IFS=: read -r name sources; do
    exe=$out/Fuzz$name
    paths=""
    for s in $sources; do paths="$paths $root/$s"; done
    # shellcheck disable=SC2086
    clang++ $flags "$root/fuzz/Fuzz$name.cpp" "$root/fuzz/Win32Native.cpp" $paths -o "$exe"
    mkdir -p "$out/$name/corpus"
    cp "$root/fuzz/corpus/$name"/* "$out/$name/corpus/"
    echo "fuzz: $name for ${seconds}s"
    (cd "$out/$name" && "$exe" -max_total_time="$seconds" -print_final_stats=1 corpus 2>&1 |
        grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY)" || true)
    [ -z "$(ls "$out/$name" | grep -E '^(crash|leak|timeout|oom)-')" ] || {
        echo "fuzz: $name found a failure: $(ls "$out/$name" | grep -E '^(crash|leak|timeout|oom)-')"; exit 1; }
done
echo "fuzz: no target failed"
