#!/bin/sh
# kestrel: Kestrel, the notebook power utility, in the user's Wine prefix ($WINEPREFIX, ~/.wine
# unless set). Installed as /usr/bin/kestrel by the Debian package; the installers lie in
# ../share/kestrel beside it.
#   kestrel                  installs Kestrel with its Linux power driver when the prefix lacks
#                            them (or holds another version), then starts it; one copy runs
#   kestrel --uninstall [--remove-settings]
#   kestrel --help | --version
set -u

VERSION=@VERSION@
DRIVER=kestrelsysfs

say() { printf 'kestrel: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

usage() {
    cat <<EOF
Usage: kestrel [--uninstall [--remove-settings]]

Runs Kestrel $VERSION, the notebook power utility: its battery icon in the notification area,
the backlight and CPU clock levels for AC power and for the battery.

The first run installs Kestrel and its Linux power driver into the Wine prefix WINEPREFIX
(~/.wine unless set), of whatever architecture that prefix is; every run then starts Kestrel,
which runs once per prefix. The package starts it at every login.

  --uninstall         removes Kestrel and its driver from the prefix; the driver puts back the
                      CPU clock caps it changed. Your settings stay for a later installation.
  --remove-settings   with --uninstall: removes your settings too.
  --version           prints the version.
  --help              prints this help.

The backlight and the CPU clock caps must be writable for you: when they are not, kestrel says so
once and names the command that fixes it (usually: sudo adduser $(id -un 2>/dev/null || echo USER) video,
then log out and back in). See kestrel(1).
EOF
}

action=start removeSettings=""
while [ $# -gt 0 ]; do
    case "$1" in
        --uninstall) action=uninstall ;;
        --remove-settings) removeSettings=/REMOVESETTINGS ;;
        --version) echo "kestrel $VERSION"; exit 0 ;;
        -h|--help) usage; exit 0 ;;
        *) say "unknown option \"$1\""; usage >&2; exit 2 ;;
    esac
    shift
done
[ -z "$removeSettings" ] || [ "$action" = uninstall ] || die "--remove-settings goes with --uninstall"

[ -n "${HOME:-}" ] || die "HOME is not set"
share=$(cd "$(dirname "$0")/../share/kestrel" 2>/dev/null && pwd) || share=/usr/share/kestrel
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
export WINEDEBUG=-all
state=${XDG_STATE_HOME:-$HOME/.local/state}/kestrel

# Debian's wine takes the 32-bit loader whenever it is installed, even on a machine whose kernel
# cannot run it; where it does not run, the 64-bit loader serves (64-bit prefixes only).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    wine32=1 WINE=/usr/lib/wine/wine
elif [ -x /usr/lib/wine/wine64 ]; then
    wine32=0 WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
else
    die "Wine is missing: sudo apt install wine"
fi

# Wine's processes outlive this script: none of them may hold its lock (descriptor 9).
w() { "$WINE" "$@" </dev/null 2>/dev/null 9>&-; }

# The prefix's architecture as Wine recorded it when it made the prefix: win32 or win64. Prefixes
# older than that record are 64-bit when they have a folder for 32-bit system files.
prefixArch() {
    arch=$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg" 2>/dev/null | head -n 1)
    if [ -z "$arch" ]; then
        arch=win32
        [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && arch=win64
    fi
    echo "$arch"
}

# regValue KEY NAME: a value of the prefix's registry, empty when it is not there.
regValue() {
    w reg query "$1" /v "$2" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | head -n 1
}

# The registry view of the program that suits this prefix and this Wine: the shipped 32-bit one
# wherever 32-bit Wine runs (in a 64-bit prefix it keeps to the 32-bit view), else its x86_64 build.
chooseBuild() {
    arch=$(prefixArch)
    if [ "$wine32" = 1 ]; then
        setup=$share/KestrelSetup.exe
        software='HKLM\Software'
        [ "$arch" = win64 ] && software='HKLM\Software\Wow6432Node'
    else
        [ "$arch" = win64 ] ||
            die "$WINEPREFIX is a 32-bit Wine prefix, and this machine runs no 32-bit Wine: use a 64-bit prefix (WINEPREFIX=~/.wine64 kestrel), or install wine32:i386"
        setup=$share/KestrelSetup64.exe
        software='HKLM\Software'
    fi
    productKey="$software\\Ardwick\\Kestrel"
    uninstallKey="$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel"
}

# Installed in this version with its driver in place: nothing to do.
installed() {
    [ "$(regValue "$uninstallKey" DisplayVersion)" = "$VERSION" ] &&
        [ "$(regValue "$productKey" SysfsDriver)" = 0x1 ]
}

install() {
    [ -f "$setup" ] || die "$setup is missing: reinstall the kestrel package"
    say "installing Kestrel $VERSION and its Linux power driver into $WINEPREFIX"
    # No host menu entries for the Start-menu shortcuts: the package has its own.
    WINEDLLOVERRIDES="winemenubuilder.exe=d" w "$setup" /S /SYSFS
    status=$?
    [ "$status" -eq 0 ] && return 0
    [ -n "$(regValue "$productKey" InstFolder)" ] ||
        die "the installation failed (the installer's exit code is $status)"
    say "Kestrel is installed, but its Linux power driver could not be started: Kestrel runs without"
    say "backlight and CPU clock control. The next run of kestrel tries again."
    return 1
}

# what FILE RULE: the one step that lets this user write FILE, which the video group may write once
# the udev rule has run (RULE runs it again).
what() {
    user=$(id -un)
    if [ "$(stat -c %G "$1" 2>/dev/null)" != video ] || id -Gn | tr ' ' '\n' | grep -qx video; then
        echo "to mend it: $2"
    elif id -Gn "$user" | tr ' ' '\n' | grep -qx video; then
        echo "you joined the video group after this session began: log out and back in"
    else
        echo "only the video group may change it: sudo adduser $user video, then log out and back in"
    fi
}

# A desktop session's message bus, which a notification needs: without one, notify-send would
# start a bus of its own that outlives this script.
sessionBus() {
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/bus" ]
}

# Says once, and again only when it changes, what keeps the driver from the backlight or the CPU
# clock caps of this machine: for autostart it goes to a desktop notification as well.
accessNotice() {
    notice=""
    panels=$(ls -d /sys/class/backlight/*/ 2>/dev/null)
    if [ -n "$panels" ]; then
        blocked=""
        for panel in $panels; do
            [ -w "${panel}brightness" ] && { blocked=""; break; }
            [ -n "$blocked" ] || blocked=${panel}brightness
        done
        if [ -n "$blocked" ]; then
            rule="sudo udevadm trigger --action=add --subsystem-match=backlight"
            [ -e /lib/udev/rules.d/90-brightnessctl.rules ] ||
                rule="sudo sh -c 'apt install brightness-udev && udevadm trigger --action=add --subsystem-match=backlight'"
            notice="Kestrel cannot set the backlight: $blocked is not writable for you; $(what "$blocked" "$rule")."
        fi
    fi
    for cap in /sys/devices/system/cpu/cpufreq/policy*/scaling_max_freq; do
        [ -e "$cap" ] && [ ! -w "$cap" ] || continue
        why=$(what "$cap" "sudo udevadm trigger --action=add --subsystem-match=cpu")
        notice="${notice:+$notice }Kestrel cannot set the CPU clock caps: $cap is not writable for you; $why."
        break
    done
    stamp=$state/access-notice
    if [ -z "$notice" ]; then
        rm -f "$stamp"
        return 0
    fi
    [ "$(cat "$stamp" 2>/dev/null)" = "$notice" ] && return 0
    say "$notice"
    [ -t 2 ] || ! command -v notify-send >/dev/null || ! sessionBus ||
        timeout 10 notify-send -i kestrel Kestrel "$notice" </dev/null >/dev/null 2>&1 9>&-
    printf '%s\n' "$notice" >"$stamp"
}

# Waits until the key is gone from the registry: the uninstaller runs from a copy of itself and
# removes its Uninstall key last.
waitUntilGone() {
    i=0
    while [ -n "$(regValue "$1" UninstallString)" ]; do
        i=$((i + 1))
        [ $i -le 120 ] || return 1
        sleep 0.5
    done
}

uninstall() {
    [ -f "$WINEPREFIX/system.reg" ] || { say "there is no Wine prefix at $WINEPREFIX: nothing to remove"; return 0; }
    found=0
    for software in 'HKLM\Software' 'HKLM\Software\Wow6432Node'; do
        [ "$software" = 'HKLM\Software' ] || [ "$(prefixArch)" = win64 ] || continue
        key="$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel"
        command=$(regValue "$key" UninstallString)
        [ -n "$command" ] || continue
        found=1
        program=${command#\"}
        program=${program%\"}
        say "removing Kestrel and its driver from $WINEPREFIX"
        w "$program" /S $removeSettings || die "the uninstaller $program could not run"
        waitUntilGone "$key" || die "the uninstaller did not finish; run kestrel --uninstall again"
    done
    [ "$found" = 1 ] || say "Kestrel is not installed in $WINEPREFIX"
    if w sc query "$DRIVER" | grep -q RUNNING; then
        die "the Linux power driver still runs in $WINEPREFIX; it goes, and puts the CPU clock caps back, when the prefix ends (wineboot --shutdown)"
    fi
    [ -z "$removeSettings" ] || rm -rf "$state"
    return 0
}

mkdir -p "$state" || die "cannot create $state"
# One launcher at a time per user: the login's and a click on the menu entry must not install twice.
exec 9>"$state/lock"
flock 9

if [ "$action" = uninstall ]; then
    uninstall
    exit $?
fi

[ -n "${DISPLAY:-}" ] || die "there is no X display (DISPLAY is not set): Kestrel runs in a desktop session"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    [ "$wine32" = 1 ] || [ "${WINEARCH:-}" != win32 ] ||
        die "WINEARCH=win32 asks for a 32-bit prefix, and this machine runs no 32-bit Wine"
    say "creating the Wine prefix $WINEPREFIX"
    # Without the .NET and HTML engines Wine would offer to download at this point.
    WINEDLLOVERRIDES="mscoree,mshtml=" w wineboot -i
    # The first session's service manager does not start driver services reliably.
    wineserver -k 2>/dev/null 9>&-
    [ -f "$WINEPREFIX/system.reg" ] || die "Wine could not create the prefix $WINEPREFIX"
fi
chooseBuild
status=0
installed || install || status=1
accessNotice
folder=$(regValue "$productKey" InstFolder)
[ -n "$folder" ] || die "Kestrel is not installed in $WINEPREFIX"
# Kestrel stays resident after this script ends; a second copy ends at once by itself.
setsid -f "$WINE" "$folder\\Kestrel.exe" </dev/null >/dev/null 2>&1 9>&-
exit $status
