#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build, run and test Kestrel.
# Idempotent and quick when everything is already there.
set -e
need=""
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev \
         wine wine32:i386 wine64 fonts-wine xvfb xdotool imagemagick \
         cmake ninja-build googletest python3 util-linux x11-apps netpbm nsis patch; do
    have "$p" || need="$need $p"
done
# The Debian package's checks (lintian) and the notification area its scenario docks in (trayer).
for p in lintian trayer; do have "$p" || need="$need $p"; done
[ -z "$need" ] && exit 0
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "bootstrap: installing$need"
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need >/dev/null
