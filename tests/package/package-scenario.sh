#!/bin/sh
# The Debian package as a user meets it: extracted into a scratch root (dpkg-deb -x), its launcher
# run with a fresh HOME and no WINEPREFIX, over a fake battery, backlight and cpufreq tree, on an X
# display of its own whose notification area is an XEmbed tray (trayer), as on KDE or Xfce. The
# first run installs Kestrel and its Linux power driver into HOME/.wine, starts it, and says once
# that a CPU clock cap is not writable; the icon docks in the tray and the levels reach the panel
# and the caps. A second run starts no second copy and says nothing again. --uninstall leaves the
# prefix without Kestrel and its driver, the caps as they were found and the settings kept.
#   package-scenario.sh DEB WORK        (as root: it makes a private mount namespace)
set -u
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
deb=$1
work=$2
failures=0

check() {   # check WHAT COMMAND...: runs COMMAND, reports WHAT when it fails
    what=$1
    shift
    if "$@"; then return 0; fi
    echo "package-scenario: FAILED: $what" >&2
    failures=$((failures + 1))
    return 1
}
stop() { echo "package-scenario: $*" >&2; exit 1; }
# until SECONDS COMMAND...: waits for COMMAND to succeed, polling every 0.2 s.
until_true() {
    limit=$(($1 * 5))
    shift
    i=0
    until "$@"; do
        i=$((i + 1))
        [ $i -lt $limit ] || return 1
        sleep 0.2
    done
}

if [ "${1:-}" != --inside ]; then
    [ -f "$deb" ] || stop "$deb is missing (make builds it)"
    command -v trayer >/dev/null || stop "trayer, the notification area of this test, is missing (make bootstrap)"
    rm -rf "$work"
    mkdir -p "$work/root" "$work/home"
    dpkg-deb -x "$deb" "$work/root" || stop "dpkg-deb -x failed"
    # A raw panel at 400 of 937; two policies of 800..2400 MHz, the first capped at 1600 MHz as the
    # machine left it, the second read-only for everyone (made so inside the namespace).
    tree=$work/sys
    { "$scripts/fakesys.sh" set "$tree" backlight panel 937 400 raw &&
        "$scripts/fakesys.sh" set "$tree" cpu 2 800000 2400000 &&
        printf '1600000\n' >"$tree/cpufreq/policy0/scaling_max_freq" &&
        "$scripts/fakebattery.sh" set "$tree/class/power_supply" ac; } >/dev/null || stop "the fake tree cannot be written"
    exec "$scripts/fakesys.sh" exec "$tree" -- sh "$0" --inside "$deb" "$work"
fi
deb=$2
work=$3
tree=$work/sys
here=$scripts
. "$scripts/wine-env.sh"

# What a user's session has: none of the test world's Wine settings, the machine's own Wine.
unset WINEPREFIX WINEARCH WINELOADER WINEDLLOVERRIDES WINEDEBUG KESTREL_ARCH XDG_STATE_HOME
export HOME=$work/home
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
prefix=$HOME/.wine
kestrel=$work/root/usr/bin/kestrel
"$scripts/fakesys.sh" readonly "$tree/cpufreq/policy1/scaling_max_freq" || stop "policy1's cap cannot be made read-only"

# The same Wine the launcher takes, for looking into the prefix.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE=/usr/lib/wine/wine program=i386 programFolder="$prefix/drive_c/Program Files (x86)/Ardwick/Kestrel"
else
    WINE=/usr/lib/wine/wine64 program=amd64 programFolder="$prefix/drive_c/Program Files/Ardwick/Kestrel"
    export WINELOADER=$WINE
fi
# Every look into the prefix and at the screen is bounded: a hang fails its check and says which.
w() { WINEPREFIX=$prefix WINEDEBUG=-all timeout 60 "$WINE" "$@" </dev/null 2>/dev/null; }
# phase WHAT: a time-stamped line, so that a slow run shows where its time went.
phase() { echo "package-scenario: $(date +%T) $*" >&2; }

kestrel_start_xvfb 1024x768x24 || stop "Xvfb did not start"
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 --transparent false \
    >/dev/null 2>&1 &
trayer_pid=$!
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    kill "$trayer_pid" 2>/dev/null && wait "$trayer_pid" 2>/dev/null
    kestrel_stop_xvfb
}
trap cleanup EXIT INT TERM
# trayer's panel, once it is there: fails until then (a search that finds nothing still succeeds).
panel_window() {
    found=$(xdotool search --classname '^panel$' 2>/dev/null | head -n 1)
    [ -n "$found" ] && echo "$found"
}
until_true 10 panel_window >/dev/null || stop "trayer's panel did not open"
tray=$(panel_window)
[ -n "$tray" ] || stop "trayer's panel went away"

# The PE machine of a program or driver: amd64 or i386.
machine() {
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    case "$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" in
        8664) echo amd64 ;; 014c) echo i386 ;; *) echo none ;;
    esac
}
value() { cat "$1" 2>/dev/null; }
# The prefix's Kestrel processes, a copy on its way in or out included.
kestrels() {
    for pid in $(pgrep -f 'Kestrel\.exe'); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$prefix" && echo "$pid"
    done
}
running() { [ "$(kestrels | wc -l)" -eq "$1" ]; }
only_first() { [ "$(echo $(kestrels))" = "$first" ]; }
driver_runs() { w sc query kestrelsysfs | grep -q RUNNING; }
no_driver() { ! ls "$prefix"/drive_c/windows/system32/drivers/kestrel* "$prefix"/drive_c/windows/system32/kestrel* >/dev/null 2>&1; }
no_service() { ! w sc query kestrelsysfs >/dev/null; }
no_keys() { ! w reg query 'HKLM\Software\Ardwick' >/dev/null; }
settings_kept() { w reg query 'HKCU\Software\Ardwick\Kestrel\Settings' /v LCDBackLightDC | grep -q 0x3; }
said_once() { printf '%s\n' "$output" | grep -q 'cannot set the CPU clock caps: .*policy1/scaling_max_freq is not writable'; }
levels() { [ "$(value "$tree/class/backlight/panel/brightness")" = 937 ] &&
           [ "$(value "$tree/cpufreq/policy0/scaling_max_freq")" = 2400000 ]; }
# A window of the prefix's explorer.exe (the icon) embedded in the tray, and its picture not blank.
docked() { timeout 10 xwininfo -tree -id "$tray" 2>/dev/null | grep -q '"explorer.exe"'; }
icon_drawn() {
    icon=$(timeout 10 xwininfo -tree -id "$tray" | sed -n 's/^ *\(0x[0-9a-f]*\) .*"explorer.exe".*/\1/p' | head -n 1)
    [ -n "$icon" ] && [ "$(timeout 10 import -display "$DISPLAY" -window "$icon" -format '%k' info: 2>/dev/null)" -gt 2 ]
}

# run_launcher SECONDS [ARGUMENTS...]: runs the launcher, bounded, into output and status. Its output
# goes through a file: a process it leaves running that kept a pipe open would stall a reader.
run_launcher() {
    limit=$1
    shift
    timeout "$limit" "$kestrel" "$@" >"$work/launcher.out" 2>&1
    status=$?
    output=$(cat "$work/launcher.out")
}

# The first run: a new 64-bit prefix, Kestrel and the driver in it, the icon, the levels.
phase "the first run"
run_launcher 240
echo "$output" | sed 's/^/first run: /'
check "the first run ends with 0 (it ended with $status)" [ $status -eq 0 ]
check "the new prefix is a 64-bit one" grep -qx '#arch=win64' "$prefix/system.reg"
check "Kestrel.exe ($program) is installed" [ "$(machine "$programFolder/Kestrel.exe")" = "$program" ]
check "the 64-bit Linux power driver is installed" \
    [ "$(machine "$prefix/drive_c/windows/system32/drivers/kestrelsysfs.sys")" = amd64 ]
check "the driver runs" driver_runs
check "Kestrel runs" until_true 20 running 1
first=$(kestrels)
check "the stored levels (AC: the top ones) reach the panel and the first cap" until_true 20 levels
check "the icon docks in the notification area" until_true 20 docked && check "the icon shows a picture" until_true 10 icon_drawn
check "the first run says that policy1's cap is not writable" said_once
phase "the second run"

# The second run: the same Kestrel goes on, the copy it starts ends by itself, nothing is said again.
run_launcher 60
echo "$output" | sed 's/^/second run: /'
check "the second run ends with 0 (it ended with $status)" [ $status -eq 0 ]
check "the second run says nothing" [ -z "$output" ]
check "the second run leaves one Kestrel, the first" until_true 15 only_first ||
    echo "package-scenario: Kestrel processes: $(kestrels | tr '\n' ' ') (the first: $first)" >&2

# --uninstall: no Kestrel and no driver in the prefix, the caps as they were, the settings kept.
phase "--uninstall"
w reg add 'HKCU\Software\Ardwick\Kestrel\Settings' /v LCDBackLightDC /t REG_DWORD /d 3 /f >/dev/null
run_launcher 120 --uninstall
echo "$output" | sed 's/^/uninstall: /'
check "kestrel --uninstall ends with 0 (it ended with $status)" [ $status -eq 0 ]
check "Kestrel has ended" until_true 10 running 0
check "the prefix holds no Kestrel" [ ! -e "$prefix/drive_c/Program Files/Ardwick" ] &&
    check "the prefix holds no 32-bit Kestrel" [ ! -e "$prefix/drive_c/Program Files (x86)/Ardwick" ]
check "the prefix holds no driver" no_driver
check "the driver's service is gone" no_service
check "the machine-wide keys are gone" no_keys
check "the settings stay" settings_kept
check "the first cap is back at 1600000 as found (it is $(value "$tree/cpufreq/policy0/scaling_max_freq"))" \
    [ "$(value "$tree/cpufreq/policy0/scaling_max_freq")" = 1600000 ]
check "the backlight stays where the user saw it" [ "$(value "$tree/class/backlight/panel/brightness")" = 937 ]

[ $failures -eq 0 ] || { echo "package-scenario: $failures checks failed" >&2; exit 1; }
echo "package-scenario: every check passed"
