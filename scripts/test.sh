#!/bin/sh
# make test: builds the test tree for the architecture this machine's Wine runs and runs every
# test against the matching program tree.   test.sh BUILD [CTEST ARGUMENTS...]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
KESTREL_ARCH=$("$here/wine-arch.sh")
export KESTREL_ARCH
if [ "$KESTREL_ARCH" = i686 ]; then
    program=$build tests=$build/test
else
    program=$build/x64 tests=$build/test64
    echo "test: this machine runs 64-bit code only; the tests run the x86_64 build in a 64-bit prefix"
fi
"$here/build.sh" "$KESTREL_ARCH" posix "$tests" -DKESTREL_TESTS=ON -DKESTREL_PROGRAM_BUILD="$program" \
    -DKESTREL_SHIPPED_IMAGE="$build/install"
exec "$here/run-tests.sh" "$program" "$tests" "$@"
