#!/bin/sh
# Runs one Windows program under Wine in the prefix the caller chose (ctest's cross-compiling
# emulator). Refuses to run without WINEPREFIX, so nothing ever lands in ~/.wine.
if [ -z "$WINEPREFIX" ]; then
    echo "wine-run.sh: WINEPREFIX is not set (run the tests with make test)" >&2
    exit 2
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
