#!/bin/sh
# The Debian package as apt takes it: exactly the files it should hold, owned by root with their
# modes; what it depends on; no error from lintian (its warnings are printed); and maintainer
# scripts and a launcher that sh reads without a syntax error.
#   package-contents.sh DEB
set -u
deb=$1
failures=0
fail() { echo "package-contents: FAILED: $*" >&2; failures=$((failures + 1)); }
[ -f "$deb" ] || { echo "package-contents: $deb is missing (make builds it)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expected='-rw-r--r-- root/root ./etc/xdg/autostart/kestrel.desktop
-rw-r--r-- root/root ./lib/udev/rules.d/90-kestrel-cpufreq.rules
-rwxr-xr-x root/root ./usr/bin/kestrel
-rw-r--r-- root/root ./usr/share/applications/kestrel.desktop
-rw-r--r-- root/root ./usr/share/doc/kestrel/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/kestrel/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/16x16/apps/kestrel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/kestrel.png
-rw-r--r-- root/root ./usr/share/kestrel/KestrelSetup.exe
-rw-r--r-- root/root ./usr/share/kestrel/KestrelSetup64.exe
-rw-r--r-- root/root ./usr/share/man/man1/kestrel.1.gz'
printf '%s\n' "$expected" >"$scratch/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' >"$scratch/actual"
diff -u "$scratch/expected" "$scratch/actual" >"$scratch/diff" ||
    fail "the files differ from the list (- expected, + held):
$(tail -n +3 "$scratch/diff")"
[ -z "$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")')" ] ||
    fail "a folder is not root's with mode 755"
[ "$(dpkg-deb -f "$deb" Architecture)" = all ] || fail "the architecture is not all"
dpkg-deb -f "$deb" Depends | grep -q '^wine (>= 8' || fail "it does not depend on wine 8"
dpkg-deb -f "$deb" Recommends | grep -qw brightness-udev || fail "it does not recommend brightness-udev"
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/xdg/autostart/kestrel.desktop ] ||
    fail "the autostart entry is not its only conffile"

verdict=$(lintian "$deb" 2>&1 | grep -v '^running with root privileges')
[ -z "$verdict" ] || printf 'lintian:\n%s\n' "$verdict"
printf '%s\n' "$verdict" | grep -q '^E:' && fail "lintian reports errors"

dpkg-deb -e "$deb" "$scratch/control" && dpkg-deb -x "$deb" "$scratch/root" || fail "the package cannot be unpacked"
for script in "$scratch/control/postinst" "$scratch/control/postrm" "$scratch/root/usr/bin/kestrel"; do
    sh -n "$script" || fail "sh finds a syntax error in ${script#"$scratch"/}"
done

[ $failures -eq 0 ] || exit 1
echo "package-contents: the files, the relations, lintian and the scripts are fine"
