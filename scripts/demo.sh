#!/bin/sh
# make demo: installs Kestrel with its own installer (silent mode) into a demo prefix under the build
# folder, with the driver simulator and a fake battery that drains slowly, and runs it in a 1024x768
# Wine virtual desktop. With a DISPLAY the desktop opens for you (close it to end the demo); without
# one the demo runs under Xvfb for about a minute, walks through what Kestrel shows (splash, tray
# icon, indicator, menu, help, brightness gauge, settings sheet) and saves a screenshot of each into
# build/demo/, printing what each one shows.
# DRIVER=sysfs (make demo DRIVER=sysfs) uses the Linux power driver in place of the simulator: Kestrel
# then sets this machine's own backlight and CPU clock (see the README for the permissions), and the
# demo puts both back as they were when it ends or is interrupted. On a machine without a backlight
# the demo says so and uses the simulator.
#   demo.sh PROGRAM_BUILD
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$1
demo=$build/demo
battery=$demo/battery

driver=${DRIVER:-sim}
case "$driver" in
    sim) ;;
    sysfs)
        if ! ls /sys/class/backlight/*/max_brightness >/dev/null 2>&1; then
            echo "demo: this machine has no backlight under /sys/class/backlight; the demo uses the simulator"
            driver=sim
        fi ;;
    *) echo "demo: DRIVER is sim (the default) or sysfs" >&2; exit 1 ;;
esac
export DRIVER=$driver

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
# With the Linux power driver the demo drives this machine's own backlight and CPU caps: every
# panel's brightness and every policy's cap are noted first and put back at the end, also when
# the demo is interrupted. The driver puts the caps back by itself when Kestrel ends, but a demo
# stopped with wineserver -k never tells it.
machine=$demo/machine-before
if [ "$driver" = sysfs ]; then
    : > "$machine"
    for f in /sys/class/backlight/*/brightness /sys/devices/system/cpu/cpufreq/policy*/scaling_max_freq; do
        [ -w "$f" ] && value=$(cat "$f" 2>/dev/null) && printf '%s %s\n' "$f" "$value" >> "$machine"
    done
fi
put_back_machine() {
    [ -s "$machine" ] || return 0
    panels=0 caps=0
    while read -r f value; do
        printf '%s\n' "$value" > "$f" 2>/dev/null || { echo "demo: could not put $f back to $value"; continue; }
        case "$f" in */brightness) panels=$((panels + 1)) ;; *) caps=$((caps + 1)) ;; esac
    done < "$machine"
    echo "demo: put back this machine's backlight ($panels panel(s)) and CPU caps ($caps policies) as they were"
    rm -f "$machine"
}
cleaned=0
cleanup() {
    [ "$cleaned" = 1 ] && return
    cleaned=1
    [ -n "$drain_pid" ] && kill "$drain_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    put_back_machine
    [ "$headless" = 1 ] && kestrel_stop_xvfb
}
trap cleanup EXIT
trap 'cleanup; exit 130' INT TERM

"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both "$driver" >/dev/null 2>&1 \
    || echo "demo: the $driver power driver could not be installed; Kestrel runs without a driver"
if [ "$driver" = sysfs ]; then
    for f in /sys/class/backlight/*/brightness /sys/devices/system/cpu/cpufreq/policy*/scaling_max_freq; do
        [ -e "$f" ] && [ ! -w "$f" ] && echo "demo: $f cannot be written here; Kestrel leaves it alone"
    done
fi
kestrel_start_services
# The installer, as a user's silent installation would run it; the sibling program is a stand-in.
wine "$(kestrel_dos_path "$program/KestrelSetup.exe")" /S </dev/null >/dev/null 2>&1 \
    || { echo "demo: the installer failed"; exit 1; }
installed="$WINEPREFIX/drive_c/Program Files/Ardwick/Kestrel"
cp "$program/sim/Tapfire.exe" "$installed/"
# The indicator shows the remaining minutes too.
wine reg add 'HKCU\Software\Ardwick\Kestrel\Settings' /v IndicatorMode /t REG_DWORD /d 3 /f \
    </dev/null >/dev/null 2>&1

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

ctl() { wine "$(kestrel_dos_path "$program/sim/kestrelctl.exe")" "$@" </dev/null >/dev/null 2>&1; }
# snap NAME WHAT: the whole screen as build/demo/NAME.png.
snap() {
    import -display "$DISPLAY" -window root "$demo/$1.png" 2>/dev/null && echo "demo: $1.png: $2"
}
# zoom NAME X Y W H: a part of the last picture taken, four times as large.
zoom() {
    convert "$demo/$1.png" -crop "$4x$5+$2+$3" +repage -scale 400% "$demo/$1-zoom.png" 2>/dev/null
}
# The colour of one pixel of the screen.
pixel() {
    import -display "$DISPLAY" -window root -crop "1x1+$1+$2" +repage -format '%[hex:p{0,0}]' info: 2>/dev/null
}

# The splash: shown as soon as Kestrel starts, in the middle of the screen, for three seconds.
desk=$(pixel 5 5) i=0
while [ "$(pixel 512 384)" = "$desk" ] && [ $i -lt 50 ]; do sleep 0.2; i=$((i + 1)); done
snap 01-splash "the start-up splash, shaped to its picture, over the desktop"
sleep 4

# On the battery above the lowest band the tray icon rests on one picture (it blinks only while
# charging and when the battery is nearly empty): a picture taken a moment later shows the same.
# The indicator sits at the top right of the work area.
snap 02-tray "the desktop with the indicator at the top right and the tray icon"
zoom 02-tray 944 744 80 24
# the icon's slot of a whole-screen picture
slot() { convert "$1" -crop 24x24+1000+744 +repage "$2" 2>/dev/null; }
sleep 1.5
snap 03-tray-rests "the same a moment later: the tray icon has not changed"
zoom 03-tray-rests 944 744 80 24
slot "$demo/02-tray.png" "$demo/slot-1.png"
slot "$demo/03-tray-rests.png" "$demo/slot-2.png"
[ "$(compare -metric AE "$demo/slot-1.png" "$demo/slot-2.png" null: 2>&1)" = 0 ] \
    || echo "demo: the tray icon changed although the battery is above the lowest band"
rm -f "$demo/slot-1.png" "$demo/slot-2.png"
# The battery drains below 50 %: the next status refresh shows the 40-49 % picture.
sleep 8.5
snap 04-tray-new-band "the tray icon and the indicator after the battery fell into the 40-49 % band"
zoom 04-tray-new-band 944 744 80 24

# A right click on the icon, rightmost in the notification area, opens the popup menu.
xdotool mousemove 1014 758 click 3
sleep 1
xdotool mousemove 940 705      # over Help: the item lights up
sleep 1
snap 05-menu "the popup menu with its banner, Help highlighted"
xdotool click 1
sleep 8
snap 06-help "Help from the menu: the help viewer at Kestrel's contents"
wine taskkill /im winhlp32.exe </dev/null >/dev/null 2>&1
sleep 1

# The brightness keys: the driver flags each change and the gauge shows the new level. The machine's
# own keys do this with the Linux driver; the simulator is told to.
if [ "$driver" = sim ]; then
    ctl press 6
    sleep 1.5
    ctl press 3
    sleep 0.5
    snap 07-brightness "the brightness gauge at level 3 of 8 after two key presses"
    sleep 2
fi

# The settings sheet, as the menu's default item opens it, on its Power Control page.
ctl post 0x111 40003
sleep 3
snap 08-sheet-power "Kestrel Properties on its Power Control page"
xdotool mousemove 570 203 click 1
sleep 2
snap 09-sheet-indicator "the Indicator page, its sample animating"
xdotool mousemove 645 203 click 1
sleep 1.5
snap 10-sheet-other "the Other page (resume on ring)"
xdotool mousemove 340 203 click 1
sleep 1.5
snap 11-sheet-version "the Version Information page"
# On the Indicator page: the next skin, laid out vertically, then OK.
xdotool mousemove 570 203 click 1
sleep 1.5
xdotool key alt+k Down alt+v
sleep 1.5
snap 12-sheet-indicator-changed "the Indicator page with skin 2 and the vertical layout chosen"
xdotool key Return
sleep 3
snap 13-indicator-vertical "the indicator rebuilt in skin 2, vertical, after OK"
zoom 13-indicator-vertical 904 0 120 200
echo "demo: done; the pictures are in $demo"
