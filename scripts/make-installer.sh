#!/bin/sh
# make-installer.sh ARCH IMAGE SIM OUTPUT [SIM64]: builds KestrelSetup.exe with NSIS from an
# installation image. ARCH i686 gives the shipped 32-bit installer, x86_64 its 64-bit twin. SIM holds
# the drivers and tools of ARCH; the 32-bit installer also carries the 64-bit ones of SIM64, which a
# 64-bit system needs. The image's file list is generated here, so the uninstaller removes exactly
# what the installer put down. The version comes from the file VERSION.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 image=$2 sim=$3 output=$4 sim64=${5:-}
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

version=$(head -n 1 "$root/VERSION")
if [ "$arch" = x86_64 ]; then
    set -- -DAMD64 -DSIM64="$sim"
else
    [ -f "$sim64/kestrelsysfs.sys" ] ||
        { echo "make-installer.sh: the 32-bit installer needs the 64-bit drivers, and $sim64 has none" >&2; exit 1; }
    set -- -DSIM32="$sim" -DSIM64="$sim64"
fi
makensis -V2 -NOCD "$@" -DIMAGE="$image" -DFILES="$files" -DUNFILES="$unfiles" -DVERSION="$version" \
    -DOUTFILE="$output" -DART="$root/res/art" "$root/installer/Kestrel.nsi"
