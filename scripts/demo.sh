#!/bin/sh
# make demo: installs Kestrel into a demo prefix under the build folder, with the driver simulator
# and a fake battery that drains slowly, and runs it in a 1024x768 Wine virtual desktop.
# With a DISPLAY the desktop opens for you (close it to end the demo); without one the demo runs
# under Xvfb for about 20 seconds and saves screenshots into build/demo/.
#   demo.sh PROGRAM_BUILD
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$1
demo=$build/demo
battery=$demo/battery

if [ -z "${KESTREL_IN_NAMESPACE:-}" ]; then
    rm -rf "$demo"
    mkdir -p "$battery"
    "$here/fakebattery.sh" set "$battery" battery 53 95 >/dev/null
    if unshare -m true 2>/dev/null; then
        KESTREL_IN_NAMESPACE=1 exec unshare -m "$0" "$@"
    fi
    echo "demo: no private mount namespace here; Kestrel shows this machine's own power status"
    KESTREL_IN_NAMESPACE=none
fi
[ "$KESTREL_IN_NAMESPACE" = 1 ] && mount --bind "$battery" /sys/class/power_supply

. "$here/wine-env.sh"
# The program tree this machine's Wine runs: the shipped 32-bit one, or its x86_64 twin.
program=$build
[ "$KESTREL_ARCH" = i686 ] || program=$build/x64
export WINEPREFIX="$demo/prefix"
echo "demo: creating the demo prefix $WINEPREFIX"
kestrel_new_prefix "$WINEPREFIX" 1024x768
headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    kestrel_start_xvfb 1024x768x24
fi
drain_pid=""
cleanup() {
    [ -n "$drain_pid" ] && kill "$drain_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    [ "$headless" = 1 ] && kestrel_stop_xvfb
}
trap cleanup EXIT INT TERM

"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both >/dev/null 2>&1 \
    || echo "demo: the driver simulator could not be installed; Kestrel runs without a driver"
kestrel_install "$program/install" "$WINEPREFIX"
cp "$program/sim/Tapfire.exe" "$WINEPREFIX/drive_c/Program Files/Ardwick/Kestrel/" 2>/dev/null
kestrel_start_services

# One percent every two seconds, from 53 % down: the icon changes band within the demo.
drain_pid=$("$here/fakebattery.sh" drain "$battery" 53 1 2)

wine explorer /desktop=Default,1024x768 'C:\Program Files\Ardwick\Kestrel\Kestrel.exe' \
    </dev/null >/dev/null 2>&1 &
desktop_pid=$!

if [ "$headless" = 0 ]; then
    echo "demo: Kestrel runs in the Wine desktop window; close that window to end the demo"
    wait "$desktop_pid"
    exit 0
fi

snap() {
    import -display "$DISPLAY" -window root "$1" 2>/dev/null && echo "demo: saved $1"
}
shot=0
while [ $shot -lt 5 ]; do
    sleep 4
    shot=$((shot + 1))
    snap "$demo/screenshot-$shot.png"
done
# A right click on the icon, rightmost in the notification area, opens the popup menu.
xdotool mousemove 1014 758 click 3
sleep 1
# Into the menu, over Help: the icon's tooltip goes and the item lights up.
xdotool mousemove 940 705
sleep 1
snap "$demo/screenshot-menu.png"
xdotool key Escape
