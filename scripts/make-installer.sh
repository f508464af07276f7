#!/bin/sh
# make-installer.sh ARCH IMAGE SIM OUTPUT: builds KestrelSetup.exe with NSIS from an installation
# image. ARCH i686 gives the shipped 32-bit installer, x86_64 its 64-bit twin. The image's file
# list is generated here, so the uninstaller removes exactly what the installer put down.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 image=$2 sim=$3 output=$4
command -v makensis >/dev/null || { echo "make-installer.sh: makensis is missing (Debian package nsis)" >&2; exit 1; }
[ -f "$image/Kestrel.exe" ] || { echo "make-installer.sh: $image holds no Kestrel.exe" >&2; exit 1; }

work=$(dirname "$output")/installer
rm -rf "$work"
mkdir -p "$work"
files=$work/files.nsh
unfiles=$work/unfiles.nsh
: >"$files"
: >"$unfiles"
# Folders first to last for installing, files then folders deepest first for removing.
(cd "$image" && find . -type d | LC_ALL=C sort) | while read -r dir; do
    rel=$(printf '%s' "${dir#.}" | tr '/' '\\')
    printf 'SetOutPath "$INSTDIR%s"\n' "$rel" >>"$files"
    (cd "$image/$dir" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r f; do
        name=${f#./}
        printf 'File "%s/%s"\n' "$image/${dir#./}" "$name" | sed 's|/\./|/|; s|//|/|g' >>"$files"
        printf 'Delete "$INSTDIR%s\\%s"\n' "$rel" "$name" >>"$unfiles"
    done
done
(cd "$image" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r dir; do
    printf 'RMDir "$INSTDIR\\%s"\n' "$(printf '%s' "${dir#./}" | tr '/' '\\')" >>"$unfiles"
done

define=""
[ "$arch" = x86_64 ] && define=-DAMD64
makensis -V2 -NOCD $define -DIMAGE="$image" -DSIM="$sim" -DFILES="$files" -DUNFILES="$unfiles" \
    -DOUTFILE="$output" -DART="$root/res/art" "$root/installer/Kestrel.nsi"
