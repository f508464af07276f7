#!/bin/sh
# sim-install.sh PREFIX SIMBIN MODE [DRIVER] — installs a power driver into a Wine prefix.
#   MODE apm:  the driver offers "\\.\KESTREL.VXD" only
#   MODE acpi: the driver offers only the device interface of the root device ROOT\KESTREL\0000
#   MODE both: both
#   DRIVER sim (the default): the simulated driver, service "kestrelsim"
#   DRIVER sysfs: the driver that answers from this Linux machine's backlight and cpufreq folders,
#          service "kestrelsysfs" (run it inside fakesys.sh exec to give it a fake tree)
# SIMBIN holds the built simulator (kestrelsim.sys, kestrelsysfs.sys, kestrelctl.exe,
# kestrelsim-setup.exe). Copies the driver into system32\drivers and its tools into system32
# (kestrelctl.exe only with the simulated driver), creates the demand-start kernel service with
# Parameters\Modes, adds or removes the root device, and starts the service. The other driver,
# when it runs, is stopped first and its root device removed: both offer the same device.
# Idempotent. Leaves the prefix's wineserver as it found it: when the caller had it
# running the driver stays loaded; otherwise the server is stopped again at the end, and on the
# next start of the prefix the driver loads by itself only when the root device exists (acpi,
# both). In apm mode start it then with: wine sc start SERVICE >/dev/null 2>&1 </dev/null
set -e

usage() { echo "usage: sim-install.sh PREFIX SIMBIN apm|acpi|both [sim|sysfs]" >&2; exit 1; }
[ $# -eq 3 ] || [ $# -eq 4 ] || usage
PREFIX=$1
SIMBIN=$2
case "$3" in
    apm) MODES=1 ;;
    acpi) MODES=2 ;;
    both) MODES=3 ;;
    *) usage ;;
esac
# The root device tool binds the device to the simulated driver unless it is given a service.
case "${4:-sim}" in
    sim)   DRIVER=kestrelsim;   TOOLS="kestrelctl.exe kestrelsim-setup.exe"
           SETUP_SERVICE="";    OTHER=kestrelsysfs; OTHER_SETUP_SERVICE=kestrelsysfs ;;
    sysfs) DRIVER=kestrelsysfs; TOOLS="kestrelsim-setup.exe"
           SETUP_SERVICE=kestrelsysfs; OTHER=kestrelsim; OTHER_SETUP_SERVICE="" ;;
    *) usage ;;
esac
for f in $DRIVER.sys $TOOLS; do
    [ -f "$SIMBIN/$f" ] || { echo "sim-install.sh: $SIMBIN/$f is missing" >&2; exit 1; }
done
case "$PREFIX" in /*) ;; *) PREFIX=$(pwd)/$PREFIX ;; esac
[ "$PREFIX" = "$HOME/.wine" ] &&
    { echo "sim-install.sh: refusing ~/.wine, a user's own prefix: the Debian package's launcher (kestrel) installs there" >&2; exit 1; }

export WINEPREFIX="$PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
SERVICE_KEY='HKLM\System\CurrentControlSet\Services\'$DRIVER

# Whether this prefix's wineserver runs: it works in a folder named server-DEV-INODE of the prefix.
server_running() {
    name="server-$(stat -c %D "$PREFIX" | sed 's/^0*//')-$(printf '%x' "$(stat -c %i "$PREFIX")")"
    for pid in $(pgrep "^wineserver" 2>/dev/null); do
        [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$name" ] && return 0
    done
    return 1
}

w() { wine "$@" </dev/null 2>/dev/null; }

if [ ! -f "$PREFIX/system.reg" ]; then
    mkdir -p "$PREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null
    # The boot session's service manager does not start driver services reliably.
    wineserver -k 2>/dev/null || true
fi

CALLER_SERVER=0
server_running && CALLER_SERVER=1
[ "$CALLER_SERVER" = 1 ] || trap 'wineserver -k 2>/dev/null || true' EXIT

# Services and winedevice must not inherit the caller's output (ctest waits on its pipe).
wineserver -p 2>/dev/null || true
w cmd /c exit >/dev/null

SYS="$PREFIX/drive_c/windows/system32"
mkdir -p "$SYS/drivers"

# stop_driver SERVICE [SETUP_SERVICE]: removes its root device (the tool's own default service when
# SETUP_SERVICE is left out) and stops it. A driver that cannot be stopped goes with the prefix's
# server, unless the caller runs that server.
stop_driver() {
    w "$SYS/kestrelsim-setup.exe" remove-acpi $2 >/dev/null || true
    w sc stop "$1" >/dev/null || true
    if w sc query "$1" | grep -q RUNNING; then
        if [ "$CALLER_SERVER" = 1 ]; then
            echo "sim-install.sh: the running driver cannot be reloaded; stop the prefix (wineserver -k) and run again" >&2
            exit 1
        fi
        wineserver -k 2>/dev/null || true
        wineserver -p 2>/dev/null || true
        w cmd /c exit >/dev/null
    fi
}

if w sc query $OTHER | grep -q RUNNING; then
    stop_driver $OTHER $OTHER_SETUP_SERVICE
fi

RUNNING=0
w sc query $DRIVER | grep -q RUNNING && RUNNING=1
OLD_MODES=$(w reg query "$SERVICE_KEY\\Parameters" /v Modes | sed -n 's/.*REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p' | tr -d '\r')
[ -n "$OLD_MODES" ] && OLD_MODES=$((0x$OLD_MODES))

if [ "$RUNNING" = 1 ] && { [ "$OLD_MODES" != "$MODES" ] || ! cmp -s "$SIMBIN/$DRIVER.sys" "$SYS/drivers/$DRIVER.sys"; }; then
    # The driver reads its modes once, when it loads: a running one must be reloaded.
    stop_driver $DRIVER $SETUP_SERVICE
    RUNNING=0
fi

cp "$SIMBIN/$DRIVER.sys" "$SYS/drivers/$DRIVER.sys"
for f in $TOOLS; do
    cp "$SIMBIN/$f" "$SYS/"
done

if ! w sc query $DRIVER >/dev/null; then
    w sc create $DRIVER type= kernel start= demand \
        binPath= 'C:\windows\system32\drivers\'$DRIVER.sys >/dev/null
fi
w reg add "$SERVICE_KEY\\Parameters" /v Modes /t REG_DWORD /d "$MODES" /f >/dev/null

if [ $((MODES & 2)) -ne 0 ]; then
    w "$SYS/kestrelsim-setup.exe" install-acpi $SETUP_SERVICE >/dev/null
else
    w "$SYS/kestrelsim-setup.exe" remove-acpi $SETUP_SERVICE >/dev/null
fi

if ! w sc query $DRIVER | grep -q RUNNING; then
    w sc start $DRIVER >/dev/null 2>&1 || true
fi
i=0
until w sc query $DRIVER | grep -q RUNNING; do
    i=$((i + 1))
    [ $i -lt 50 ] || { echo "sim-install.sh: the $DRIVER service did not start" >&2; exit 1; }
    sleep 0.1
done
# The root device added above reaches a driver that started after it by itself; make sure the
# interface is there before returning.
if [ $((MODES & 2)) -ne 0 ]; then
    w "$SYS/kestrelsim-setup.exe" install-acpi $SETUP_SERVICE >/dev/null
fi
# The sysfs driver has no control device to ask; that its service runs is all there is to see.
if [ "$DRIVER" = kestrelsim ]; then
    w kestrelctl.exe show >/dev/null || { echo "sim-install.sh: the simulated driver does not answer" >&2; exit 1; }
fi
exit 0
