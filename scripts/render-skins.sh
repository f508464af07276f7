#!/bin/sh
# Renders the shipped indicator skins with the skin tool (KestrelSkin.exe, Kestrel's own drawing
# code) into small PNG pictures for the README: each skin at 57 %, on the battery with 75 minutes
# left, in display mode 3 (mark and time; the slim skin 3 in mode 1, the only one it allows),
# horizontal and vertical, over the era's teal desktop, at 1:1 and 3:1; and the contact sheet of
# skin 1 (every display mode in every power state) at 2:1.
#   render-skins.sh PROGRAM_BUILD [OUTPUT-FOLDER]      (default: docs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$1
out=${2:-$here/../docs}
. "$here/wine-env.sh"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
WINEPREFIX="$WINEPREFIX" wineboot -i >/dev/null 2>&1 </dev/null
kestrel_start_xvfb 640x480x24
trap 'wineserver -k 2>/dev/null; kestrel_stop_xvfb; rm -rf "$work"' EXIT INT TERM
mkdir -p "$out"
image=$(kestrel_dos_path "$program/install")
for n in 1 2 3; do
    mode=3
    [ "$n" = 3 ] && mode=1
    for o in horizontal vertical; do
        flag=""
        [ "$o" = vertical ] && flag=vertical
        wine "$program/install/KestrelSkin.exe" render "$image" "$n" "$(kestrel_dos_path "$work/$n$o.bmp")" \
            mode=$mode percent=57 state=2 minutes=75 background=008080 $flag </dev/null
    done
    name=$(printf 'skin-%02u' "$n")
    # Both orientations side by side on the desktop colour, with a margin.
    convert "$work/${n}horizontal.bmp" -size 8x1 xc:'#008080' "$work/${n}vertical.bmp" \
        -background '#008080' -gravity north +append -bordercolor '#008080' -border 8 "$out/$name.png"
    convert "$out/$name.png" -scale 300% "$out/$name-3x.png"
    echo "render-skins: wrote $out/$name.png and $name-3x.png"
done
wine "$program/install/KestrelSkin.exe" render "$image" 1 "$(kestrel_dos_path "$work/sheet.bmp")" sheet \
    percent=57 minutes=75 </dev/null
convert "$work/sheet.bmp" -scale 200% "$out/skin-01-sheet.png"
echo "render-skins: wrote $out/skin-01-sheet.png"
