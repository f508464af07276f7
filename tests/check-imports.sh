#!/bin/sh
# Checks that the shipped executable keeps to the system DLLs of its era and the 4.0 PE header.
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe") || exit 1
bad=$(printf '%s\n' "$dump" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' |
      grep -v -x -E 'kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|comctl32.dll|setupapi.dll|winmm.dll|msvcrt.dll')
[ -z "$bad" ] || { echo "unexpected imports: $bad"; exit 1; }
for field in MajorOSystemVersion MajorSubsystemVersion; do
    printf '%s\n' "$dump" | grep -q -E "^$field[[:space:]]+4$" || { echo "$field is not 4"; exit 1; }
done
echo "imports and header version fine"
