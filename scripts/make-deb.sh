#!/bin/sh
# make-deb.sh BUILD: writes BUILD/kestrel_VERSION_all.deb with Debian's dpkg-deb from the shipped
# 32-bit installer (BUILD/KestrelSetup.exe), its 64-bit twin (BUILD/x64/KestrelSetup.exe, shipped
# as KestrelSetup64.exe) and packaging/: the launcher /usr/bin/kestrel, its manual page, the menu
# and autostart entries, the udev rule for the CPU clock caps and the maintainer scripts. The
# version is the file VERSION; every file carries the time of the last commit, so that the same
# sources give the same package.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
packaging=$root/packaging
version=$(head -n 1 "$root/VERSION")
deb=$build/kestrel_${version}_all.deb
for setup in "$build/KestrelSetup.exe" "$build/x64/KestrelSetup.exe"; do
    [ -f "$setup" ] || { echo "make-deb.sh: $setup is missing (make builds it)" >&2; exit 1; }
done
command -v dpkg-deb >/dev/null || { echo "make-deb.sh: dpkg-deb is missing" >&2; exit 1; }
epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || epoch=$(stat -c %Y "$root/VERSION")
export SOURCE_DATE_EPOCH=$epoch

umask 022
stage=$build/deb
rm -rf "$stage"
share=$stage/usr/share
mkdir -p "$stage/DEBIAN" "$stage/usr/bin" "$share/kestrel" "$share/applications" \
    "$stage/etc/xdg/autostart" "$stage/lib/udev/rules.d" "$share/man/man1" "$share/doc/kestrel" \
    "$share/icons/hicolor/16x16/apps" "$share/icons/hicolor/32x32/apps"

sed "s/@VERSION@/$version/g" "$packaging/kestrel.sh" >"$stage/usr/bin/kestrel"
chmod 755 "$stage/usr/bin/kestrel"
cp "$build/KestrelSetup.exe" "$share/kestrel/KestrelSetup.exe"
cp "$build/x64/KestrelSetup.exe" "$share/kestrel/KestrelSetup64.exe"
cp "$packaging/kestrel.desktop" "$share/applications/kestrel.desktop"
cp "$packaging/kestrel-autostart.desktop" "$stage/etc/xdg/autostart/kestrel.desktop"
cp "$packaging/90-kestrel-cpufreq.rules" "$stage/lib/udev/rules.d/"
sed "s/@VERSION@/$version/g" "$packaging/kestrel.1" | gzip -9n >"$share/man/man1/kestrel.1.gz"
cp "$packaging/copyright" "$share/doc/kestrel/copyright"
# The menu's icon: the program's own, at both of its sizes.
convert "$root/res/art/Kestrel.ico[1]" -strip "$share/icons/hicolor/16x16/apps/kestrel.png"
convert "$root/res/art/Kestrel.ico[0]" -strip "$share/icons/hicolor/32x32/apps/kestrel.png"

maintainer=$(sed -n 's/^Maintainer: //p' "$packaging/control")
{
    printf 'kestrel (%s) stable; urgency=medium\n\n' "$version"
    printf '  * Kestrel %s for Debian 12 and its Wine.\n\n' "$version"
    printf ' -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "@$epoch")"
} | gzip -9n >"$share/doc/kestrel/changelog.gz"

for script in postinst postrm; do
    cp "$packaging/$script" "$stage/DEBIAN/$script"
    chmod 755 "$stage/DEBIAN/$script"
done
echo /etc/xdg/autostart/kestrel.desktop >"$stage/DEBIAN/conffiles"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f 1)
sed "s/@VERSION@/$version/; s/@SIZE@/$size/" "$packaging/control" >"$stage/DEBIAN/control"
(cd "$stage" && find . -type f ! -path './DEBIAN/*' | LC_ALL=C sort | sed 's|^\./||' | xargs md5sum) \
    >"$stage/DEBIAN/md5sums"
find "$stage" -exec touch -h -d "@$epoch" {} +

rm -f "$build"/kestrel_*_all.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "make-deb.sh: $deb"
