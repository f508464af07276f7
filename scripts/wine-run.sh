#!/bin/sh
# Runs one Windows program under Wine in the prefix the caller chose (ctest's cross-compiling
# emulator). Refuses to run without WINEPREFIX, so nothing ever lands in ~/.wine.
if [ -z "$WINEPREFIX" ]; then
    echo "wine-run.sh: WINEPREFIX is not set (run the tests with make test)" >&2
    exit 2
fi
export WINEDEBUG=-all
# No menu entries on the host for the Start-menu shortcuts the installer makes in a prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec wine "$@"
