#!/bin/sh
# make test: runs every test in a throwaway Wine prefix under the test tree, on a private X display,
# with the driver simulator installed and, in a private mount namespace, the fake battery in place of
# /sys/class/power_supply. Without any of these the run stops with a message: a test run that could
# not test the driver, the battery or the tray must not pass.
# The tests labelled sysfs then run in the same prefix with the Linux power driver in place of the
# simulator, and a fake backlight and cpufreq tree in place of the machine's (when the ctest
# arguments choose any of them).
#   run-tests.sh PROGRAM_BUILD TEST_BUILD [CTEST ARGUMENTS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=$1
tests=$2
battery=$tests/battery

fail() {
    echo "run-tests: FAILED: $*" >&2
    exit 1
}

if [ -z "${KESTREL_IN_NAMESPACE:-}" ]; then
    rm -rf "$battery"
    mkdir -p "$battery"
    "$here/fakebattery.sh" set "$battery" ac >/dev/null || fail "the fake battery folder cannot be written"
    unshare -m true 2>/dev/null \
        || fail "a private mount namespace cannot be made (run as root, or where unshare -m works)"
    KESTREL_IN_NAMESPACE=1 exec unshare -m "$0" "$@"
fi
mount --bind "$battery" /sys/class/power_supply || fail "the fake battery cannot be mounted"
KESTREL_FAKE_BATTERY=$(printf 'Z:%s' "$battery" | tr '/' '\\')
export KESTREL_FAKE_BATTERY
# The tests themselves fail, rather than skip, when a piece of this world is missing.
export KESTREL_TEST_WORLD=1

. "$here/wine-env.sh"
export WINEPREFIX="$tests/prefix"
echo "run-tests: creating the test prefix $WINEPREFIX"
kestrel_new_prefix "$WINEPREFIX" 1024x768
kestrel_start_xvfb 1024x768x24 || fail "the private X display (Xvfb) did not start"
cleanup() {
    wineserver -k 2>/dev/null
    kestrel_stop_xvfb
}
trap cleanup EXIT INT TERM

# open_desktop: the prefix's services, and the virtual desktop with its taskbar and notification
# area, which lives as long as one program runs in it.
open_desktop() {
    kestrel_start_services
    wine explorer /desktop=Default,1024x768 "$(kestrel_dos_path "$program/sim/KestrelIdle.exe")" \
        </dev/null >/dev/null 2>&1 &
    # A test program that starts before the desktop exists makes one of its own, and that desktop
    # inherits ctest's output pipe, so ctest never sees the end of it: wait for this one first.
    i=0
    until xdotool search --name 'Wine desktop' >/dev/null 2>&1; do
        [ $i -lt 300 ] || fail "the virtual desktop did not open"
        sleep 0.1
        i=$((i + 1))
    done
}

"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both >/dev/null \
    || fail "the driver simulator could not be installed"
open_desktop

shift 2
if [ -n "${KESTREL_BENCH:-}" ]; then
    # make bench: one benchmark of the test tree, run in the same world instead of ctest.
    wine "$tests/$KESTREL_BENCH" </dev/null
    exit $?
fi
ctest --test-dir "$tests" --output-on-failure --timeout 300 -LE sysfs "$@"
rc=$?
ctest --test-dir "$tests" -N -L sysfs "$@" | grep -q 'Total Tests: [1-9]' || exit $rc

# The sysfs world: a panel (raw, 937 steps), one of higher rank whose brightness no one may write,
# and two cpufreq policies, the second with a cap no one may write; the fake battery stays. The
# prefix's server must start again inside these mounts to see them.
wineserver -k 2>/dev/null
tree=$tests/sysfs
rm -rf "$tree"
{ "$here/fakesys.sh" set "$tree" backlight panel 937 400 raw \
    && "$here/fakesys.sh" set "$tree" backlight locked 15 15 firmware \
    && "$here/fakesys.sh" set "$tree" cpu 2 800000 2400000; } >/dev/null || fail "the fake sysfs tree cannot be written"
mkdir -p "$tree/class/power_supply"
for file in "$tree/class/backlight/locked/brightness" "$tree/cpufreq/policy1/scaling_max_freq"; do
    mount --bind "$file" "$file" && mount -o remount,bind,ro "$file" || fail "$file cannot be made read-only"
done
{ mount --bind "$battery" "$tree/class/power_supply" && mount --rbind "$tree/class" /sys/class \
    && mount --rbind "$tree/cpufreq" /sys/devices/system/cpu/cpufreq; } || fail "the fake sysfs tree cannot be mounted"
"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both sysfs >/dev/null \
    || fail "the sysfs power driver could not be installed"
open_desktop
KESTREL_SYSFS_WORLD=1 ctest --test-dir "$tests" --output-on-failure --timeout 300 -L sysfs "$@"
sysfs_rc=$?
[ $rc -ne 0 ] && exit $rc
exit $sysfs_rc
