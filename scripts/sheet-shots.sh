#!/bin/sh
# sheet-shots.sh PROGRAM_BUILD [OUT]: opens the settings sheet in a fresh prefix with the driver
# simulator (APM and ACPI) and saves a screenshot of each of its four pages into OUT (default
# PROGRAM_BUILD/sheet-shots). Runs under its own Xvfb; stops everything it started.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=$1
out=${2:-$program/sheet-shots}
. "$here/wine-env.sh"
export WINEPREFIX="$out/prefix"
mkdir -p "$out"
kestrel_new_prefix "$WINEPREFIX" 1024x768
kestrel_start_xvfb 1024x768x24
cleanup() {
    wineserver -k 2>/dev/null
    kestrel_stop_xvfb
}
trap cleanup EXIT INT TERM

"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both >/dev/null 2>&1 \
    || echo "sheet-shots: the driver simulator could not be installed"
kestrel_install "$program/install" "$WINEPREFIX"
kestrel_start_services
# /Z: APM mode, so that the sheet has all four pages; /D: no splash; /X: no sibling program.
wine explorer /desktop=Default,1024x768 'C:\Program Files\Ardwick\Kestrel\Kestrel.exe' /Z /D /X \
    </dev/null >/dev/null 2>&1 &
sleep 6

snap() {
    sleep 1.5
    import -display "$DISPLAY" -window root "$out/$1.png" 2>/dev/null && echo "sheet-shots: saved $out/$1.png"
}
# A double click on the icon, rightmost in the notification area, opens the sheet on "Power Control".
xdotool mousemove 1014 758 click --repeat 2 --delay 80 1
snap power
# The tabs, as the sheet opens centred on the 1024x768 desktop.
xdotool mousemove 570 203 click 1
snap indicator
xdotool mousemove 645 203 click 1
snap other
xdotool mousemove 340 203 click 1
snap version
xdotool key Escape
sleep 1
