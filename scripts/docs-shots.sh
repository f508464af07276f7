#!/bin/sh
# docs-shots.sh PROGRAM_BUILD [OUT]: the README's pictures of Kestrel on screen, shot in a fresh
# prefix under its own Xvfb with the driver simulator and a fake battery on the battery at 57 %
# with 129 minutes left, Kestrel installed by its own installer: the splash, the indicator at the
# top right, the help at its contents over the desktop as Kestrel leaves it, the help at the
# Power Control topic, the brightness gauge, skin 2 vertical at the bottom left, the four pages of
# the settings sheet and the installer's first page. Writes them into OUT (default: docs); the
# skins' own pictures are scripts/render-skins.sh's. Needs root (a private mount namespace for the
# battery); stops everything it started.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$1
out=${2:-$here/../docs}
work=$build/docs-shots
battery=$work/battery

if [ -z "${KESTREL_IN_NAMESPACE:-}" ]; then
    rm -rf "$work"
    mkdir -p "$battery" "$out"
    "$here/fakebattery.sh" set "$battery" battery 57 129 >/dev/null || exit 1
    KESTREL_IN_NAMESPACE=1 exec unshare -m "$0" "$@"
fi
mount --bind "$battery" /sys/class/power_supply || { echo "docs-shots: the fake battery cannot be mounted"; exit 1; }

. "$here/wine-env.sh"
program=$build
[ "$KESTREL_ARCH" = i686 ] || program=$build/x64
export WINEPREFIX="$work/prefix"
kestrel_new_prefix "$WINEPREFIX" 1024x768
kestrel_start_xvfb 1024x768x24 || { echo "docs-shots: Xvfb did not start"; exit 1; }
cleanup() {
    wineserver -k 2>/dev/null
    kestrel_stop_xvfb
}
trap cleanup EXIT INT TERM

"$here/sim-install.sh" "$WINEPREFIX" "$program/sim" both >/dev/null 2>&1 \
    || echo "docs-shots: the driver simulator could not be installed"
kestrel_start_services
wine "$(kestrel_dos_path "$program/KestrelSetup.exe")" /S </dev/null >/dev/null 2>&1 \
    || { echo "docs-shots: the installer failed"; exit 1; }
cp "$program/sim/Tapfire.exe" "$WINEPREFIX/drive_c/Program Files/Ardwick/Kestrel/"
settings='HKCU\Software\Ardwick\Kestrel\Settings'
wine reg add "$settings" /v IndicatorMode /t REG_DWORD /d 3 /f </dev/null >/dev/null 2>&1

ctl() { wine "$(kestrel_dos_path "$program/sim/kestrelctl.exe")" "$@" </dev/null >/dev/null 2>&1; }
# shot NAME: the whole screen as WORK/NAME.png.
shot() { import -display "$DISPLAY" -window root "$work/$1.png" 2>/dev/null; }
# crop NAME WxH+X+Y [SCREEN]: a part of a screen (a new one by default) as OUT/NAME.png.
crop() {
    [ -n "${3:-}" ] || { shot screen; set -- "$1" "$2" screen; }
    convert "$work/$3.png" -crop "$2" +repage -strip "$out/$1.png" && echo "docs-shots: wrote $1.png"
}
# opened BEFORE AFTER: the box, WxH+X+Y, of what changed above the taskbar between two screens:
# the window that opened in between (Wine's windows live inside its desktop, out of xdotool's sight).
opened() {
    convert "$work/$1.png" "$work/$2.png" -crop 1024x738+0+0 +repage -compose difference -composite \
        -threshold 0 -format '%@' info: 2>/dev/null
}
pixel() {
    import -display "$DISPLAY" -window root -crop "1x1+$1+$2" +repage -format '%[hex:p{0,0}]' info: 2>/dev/null
}

wine explorer /desktop=Default,1024x768 'C:\Program Files\Ardwick\Kestrel\Kestrel.exe' \
    </dev/null >/dev/null 2>&1 &

# The splash, centred, while it shows.
desk=$(pixel 5 5) i=0
while [ "$(pixel 512 384)" = "$desk" ] && [ $i -lt 50 ]; do sleep 0.2; i=$((i + 1)); done
sleep 0.5
crop splash 390x240+317+264
sleep 4

# The indicator at the top right of the work area.
shot desktop
crop indicator-top-right 300x60+724+0 desktop

# Help from the menu: the viewer at the contents, over the desktop with the indicator and the tray.
ctl post 0x111 40004
sleep 4
crop help-contents 1024x768+0+0
wine taskkill /im winhlp32.exe </dev/null >/dev/null 2>&1
sleep 1

# The brightness gauge at level 3 of 8.
ctl press 3
sleep 0.6
crop brightness-gauge 800x170+112+505
sleep 2

# The settings sheet, opened with a double click on the tray icon (rightmost in the notification
# area), on each of its pages: a click on a tab turns it. The tabs and the Help button lie where
# MS Sans Serif puts them in the sheet's box.
shot desktop
xdotool mousemove 1014 758 click --repeat 2 --delay 80 1 mousemove 600 700
sleep 3
shot sheet
box=$(opened desktop sheet)
crop sheet-power "$box" sheet
for tab in "indicator 317" "other 397" "version 85" "power 225"; do
    set -- $(echo "$box" | tr 'x+' '  ') $tab
    xdotool mousemove $(($3 + $6)) $(($4 + 39)) click 1
    sleep 1.5
    [ "$5" = power ] || crop "sheet-$5" "$box"
done
set -- $(echo "$box" | tr 'x+' '  ')
xdotool mousemove $(($3 + $1 - 55)) $(($4 + $2 - 23)) click 1
sleep 4
crop help-power-control 767x561+0+0
wine taskkill /im winhlp32.exe </dev/null >/dev/null 2>&1
sleep 1
xdotool key Escape
sleep 1

# Skin 2, vertical, at the bottom left of the work area.
for value in "IndicatorNumber 2" "IndicatorVerticalStyle 1" "IndicatorPosition 3"; do
    set -- $value
    wine reg add "$settings" /v "$1" /t REG_DWORD /d "$2" /f </dev/null >/dev/null 2>&1
done
ctl post 0x8065 1
sleep 2
crop indicator-bottom-left-vertical 160x160+0+608

# The installer's first page.
shot desktop
wine "$(kestrel_dos_path "$program/KestrelSetup.exe")" </dev/null >/dev/null 2>&1 &
sleep 5
shot installer
crop installer "$(opened desktop installer)" installer
rm -f "$work"/*.png
