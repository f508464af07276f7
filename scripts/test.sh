#!/bin/sh
# make test: builds the test tree for the architecture this machine's Wine runs and runs every
# test against the matching program tree.   test.sh BUILD [CTEST ARGUMENTS...]
# Where 32-bit programs run, the whole suite runs the shipped 32-bit build in a 32-bit prefix, then
# a smoke round of scenario tests runs the x86_64 build in a 64-bit prefix, as on today's Windows.
# Where only 64-bit code runs, the whole suite runs the x86_64 build in a 64-bit prefix.
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
# The smoke round: start-up and exit, the tray icon and the record it hands the shell, the levels
# pushed to the driver, the indicator, the gauge, the sheet, the installer and the sysfs driver.
smoke='^(Installer\.|Startup\.ASecondCopy|Tray\.|TrayIcon\.|IndicatorScenario\.|BrightnessKeys\.|Sheet\.|Sysfs\.)'

# Where 32-bit Wine runs, the 64-bit prefix's installer test also runs the shipped 32-bit installer.
if [ "$("$here/wine-arch.sh")" = i686 ]; then export KESTREL_WINE32=1; fi

run() {   # run ARCH PROGRAM TESTS [CTEST ARGUMENTS...]
    arch=$1 program=$2 tests=$3
    shift 3
    "$here/build.sh" "$arch" posix "$tests" -DKESTREL_TESTS=ON -DKESTREL_PROGRAM_BUILD="$program" \
        -DKESTREL_SHIPPED_IMAGE="$build/install"
    KESTREL_ARCH=$arch "$here/run-tests.sh" "$program" "$tests" "$@"
}

if [ "$("$here/wine-arch.sh")" = i686 ]; then
    run i686 "$build" "$build/test" "$@"
    # A chosen subset, or a benchmark (make bench), runs once.
    [ $# -eq 0 ] && [ -z "${KESTREL_BENCH:-}" ] || exit 0
    echo "test: the smoke round on a 64-bit system"
    "$here/build.sh" x86_64 win32 "$build/x64"
    run x86_64 "$build/x64" "$build/test64" -R "$smoke"
else
    echo "test: this machine runs 64-bit code only; the tests run the x86_64 build in a 64-bit prefix"
    run x86_64 "$build/x64" "$build/test64" "$@"
fi
