#!/bin/sh
# build.sh ARCH THREADS DIR [CMAKE OPTIONS...]: configures (once) and builds one CMake tree.
#   ARCH i686 or x86_64; THREADS win32 (the program) or posix (the tests).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 threads=$2 dir=$3
shift 3
[ -f "$dir/build.ninja" ] || cmake -S "$root" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DKESTREL_ARCH="$arch" \
    -DKESTREL_THREADS="$threads" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir"
