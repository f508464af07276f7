# Shell functions shared by the test runner and the demo: private Wine prefixes and a private X
# display, each stopped by the process id or prefix that started it. Source this file after setting
# "here" to the scripts folder.

export WINEDEBUG=-all
# No menu entries on the host for the Start-menu shortcuts the installer makes in a prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# KESTREL_ARCH (scripts/wine-arch.sh) says which programs this machine's Wine runs. A 64-bit run
# takes the 64-bit loader and a 64-bit prefix; a 32-bit run pins its prefix to 32 bits.
[ -n "${KESTREL_ARCH:-}" ] || KESTREL_ARCH=$("$here/wine-arch.sh")
export KESTREL_ARCH
if [ "$KESTREL_ARCH" = x86_64 ]; then
    case ":$PATH:" in
        *":$here/wine64:"*) ;;
        *) PATH="$here/wine64:$PATH" ;;
    esac
    export PATH
    export WINEARCH=win64
else
    export WINEARCH=win32
fi

# kestrel_new_prefix DIR WIDTHxHEIGHT: a fresh prefix whose programs all share one virtual desktop,
# so that the notification area exists and programs can find each other's windows.
kestrel_new_prefix() {
    rm -rf "$1"
    mkdir -p "$1"
    WINEPREFIX="$1" wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null 2>&1 </dev/null
    # The taskbar, with its Start button and notification area, is the desktop's shell.
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell \
        /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
    # The era's look: its standard colours, and Wine's own fonts (fonts-wine), which this Wine
    # finds only in the prefix's Fonts folder: Marlett draws the caption buttons (without it they
    # read "0 1 r"), Tahoma and MS Sans Serif the dialogs.
    WINEPREFIX="$1" wine reg import "$(kestrel_dos_path "$here/classic-look.reg")" >/dev/null 2>&1 </dev/null
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -e "$font" ] && ln -sf "$font" "$1/drive_c/windows/Fonts/"
    done
    # The boot session's service manager does not start driver services reliably.
    WINEPREFIX="$1" wineserver -k 2>/dev/null || true
}

# kestrel_start_xvfb WIDTHxHEIGHTxDEPTH: sets DISPLAY and XVFB_PID.
kestrel_start_xvfb() {
    n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    [ -e "/tmp/.X11-unix/X$n" ]
}

kestrel_stop_xvfb() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

# kestrel_start_services: starts the prefix's wineserver and services with their output sent away
# (ctest hangs when they inherit its pipe).
kestrel_start_services() {
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

# kestrel_install IMAGE PREFIX: installs the image the way the installer does, into
# "C:\Program Files\Ardwick\Kestrel" with the machine-wide registry value.
kestrel_install() {
    dest="$2/drive_c/Program Files/Ardwick/Kestrel"
    rm -rf "$dest"
    mkdir -p "$dest"
    cp -r "$1"/. "$dest"/
    WINEPREFIX="$2" wine reg add 'HKLM\Software\Ardwick\Kestrel' /v InstFolder \
        /d 'C:\Program Files\Ardwick\Kestrel' /f >/dev/null 2>&1 </dev/null
}

# kestrel_dos_path UNIXPATH: the same path as Wine's Z: drive spells it.
kestrel_dos_path() {
    printf 'Z:%s' "$1" | tr '/' '\\'
}
