#!/bin/sh
# fakesys.sh — a fake backlight and cpufreq tree that the sysfs power driver, and any program, reads
# in place of /sys/class/backlight and /sys/devices/system/cpu/cpufreq.
#   fakesys.sh set DIR backlight NAME MAX VALUE [TYPE]
#        the panel DIR/class/backlight/NAME: max_brightness MAX, brightness VALUE, type TYPE (raw
#        unless given; platform and firmware are the others Linux knows). Its actual_brightness is
#        a link to brightness, so the panel shows every value written to it at once, as hardware does
#   fakesys.sh set DIR cpu N MIN MAX
#        N cpufreq policies DIR/cpufreq/policy0 ... with the range MIN..MAX kHz and no cap
#        (scaling_max_freq MAX), in place of the policies there were; N = 0 leaves none
#   fakesys.sh move DIR NAME VALUE
#        the panel NAME moved from outside, as its keys or another program would move it
#   fakesys.sh laptop DIR
#        a laptop's tree: intel_backlight (raw, max 120000, at 60000), acpi_video0 (firmware, max 15,
#        at 8) and four policies of 400000..4200000 kHz; replaces what DIR held of these
#   fakesys.sh exec DIR -- COMMAND...
#        runs COMMAND in a private mount namespace (needs root) where DIR/class replaces /sys/class
#        and DIR/cpufreq replaces /sys/devices/system/cpu/cpufreq. The rest of the machine's
#        /sys/class is hidden there, but for power_supply: a fake battery written into
#        DIR/class/power_supply (fakebattery.sh set DIR/class/power_supply ...) is used as it is;
#        while that folder is empty, the caller's /sys/class/power_supply (the machine's, or a fake
#        battery the caller has already bound) is bound onto it. Every Wine process of a prefix that
#        is to see the tree, its wineserver included, must start inside: a server that was already
#        running still opens files in the machine's /sys (stop it first with wineserver -k)
#   fakesys.sh readonly FILE
#        inside exec only: no one, root included, can write FILE (named under DIR or under /sys)
#        until the namespace ends; a fake tree's files are otherwise writable by root
# Each file is replaced whole by a rename, so a reader never sees half a value. A read-only file
# is a mount in the namespace: "move" cannot replace it from inside.
set -e

die() { echo "fakesys.sh: $*" >&2; exit 1; }
usage() { awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0" >&2; exit 1; }
is_number() { case "$1" in ''|*[!0-9]*) return 1 ;; esac; [ ${#1} -le 9 ]; }
is_name() {
    case "$1" in ''|.|..|*[!A-Za-z0-9_.-]*) return 1 ;; esac
    [ ${#1} -le 40 ]
}

# put FOLDER FILE VALUE
put() {
    printf '%s\n' "$3" > "$1/.$2.new"
    mv -f "$1/.$2.new" "$1/$2"
}

# set_backlight DIR NAME MAX VALUE TYPE
set_backlight() {
    is_name "$2" || die "a panel's name is letters, digits, '_', '.' and '-', not \"$2\""
    is_number "$3" && is_number "$4" || die "MAX and VALUE are whole numbers below 10^9"
    [ "$4" -le "$3" ] || die "VALUE $4 is above MAX $3"
    case "$5" in ''|*[!a-z_]*) die "TYPE is a word such as raw, platform or firmware, not \"$5\"" ;; esac
    panel="$1/class/backlight/$2"
    mkdir -p "$panel" || die "cannot create $panel"
    put "$panel" type "$5"
    put "$panel" max_brightness "$3"
    put "$panel" brightness "$4"
    if [ ! -L "$panel/actual_brightness" ]; then
        rm -f "$panel/actual_brightness"
        ln -s brightness "$panel/actual_brightness"
    fi
}

# set_cpu DIR N MIN MAX
set_cpu() {
    is_number "$2" && is_number "$3" && is_number "$4" || die "N, MIN and MAX are whole numbers"
    [ "$2" -le 256 ] || die "at most 256 policies"
    [ "$3" -le "$4" ] || die "MIN $3 is above MAX $4"
    mkdir -p "$1/cpufreq" || die "cannot create $1/cpufreq"
    rm -rf "$1"/cpufreq/policy*
    i=0
    while [ "$i" -lt "$2" ]; do
        policy="$1/cpufreq/policy$i"
        mkdir -p "$policy"
        put "$policy" cpuinfo_min_freq "$3"
        put "$policy" cpuinfo_max_freq "$4"
        put "$policy" scaling_max_freq "$4"
        i=$((i + 1))
    done
}

# move DIR NAME VALUE
move() {
    panel="$1/class/backlight/$2"
    is_name "$2" && [ -d "$panel" ] || die "there is no panel $panel (run set first)"
    is_number "$3" || die "VALUE is a whole number"
    max=$(cat "$panel/max_brightness" 2>/dev/null) || max=""
    [ -z "$max" ] || [ "$3" -le "$max" ] || die "VALUE $3 is above max_brightness $max"
    put "$panel" brightness "$3"
    # A panel whose actual_brightness was made a file of its own keeps it in step.
    [ -L "$panel/actual_brightness" ] || [ ! -e "$panel/actual_brightness" ] ||
        put "$panel" actual_brightness "$3"
}

# readonly FILE: a read-only bind of FILE onto itself, in the namespace only.
make_readonly() {
    [ -n "${FAKESYS_NAMESPACE:-}" ] && [ "$(readlink /proc/self/ns/mnt)" = "$FAKESYS_NAMESPACE" ] ||
        die "readonly works only inside fakesys.sh exec, whose mounts end with it"
    case "$1" in /*) file=$1 ;; *) file=$(pwd)/$1 ;; esac
    [ -f "$file" ] || die "$file is not a file"
    # /sys/class is a bind of DIR/class, and a mount shows only through the path it was made on:
    # the file is covered under both names.
    case "$file" in
        "$FAKESYS_DIR"/class/*)   twin=/sys/class/${file#"$FAKESYS_DIR"/class/} ;;
        "$FAKESYS_DIR"/cpufreq/*) twin=/sys/devices/system/cpu/cpufreq/${file#"$FAKESYS_DIR"/cpufreq/} ;;
        /sys/class/*)             twin=$FAKESYS_DIR/class/${file#/sys/class/} ;;
        /sys/devices/system/cpu/cpufreq/*) twin=$FAKESYS_DIR/cpufreq/${file#/sys/devices/system/cpu/cpufreq/} ;;
        *) twin=$file ;;
    esac
    for f in "$file" "$twin"; do
        mount --bind "$f" "$f" && mount -o remount,bind,ro "$f" || die "cannot make $f read-only"
        [ "$twin" != "$file" ] || break
    done
}

[ $# -ge 2 ] || usage
cmd=$1; dir=$2; shift 2
case "$cmd" in
set)
    [ $# -ge 1 ] || usage
    what=$1; shift
    case "$what" in
    backlight) [ $# -eq 3 ] || [ $# -eq 4 ] || usage; set_backlight "$dir" "$1" "$2" "$3" "${4:-raw}" ;;
    cpu)       [ $# -eq 3 ] || usage; set_cpu "$dir" "$1" "$2" "$3" ;;
    *) usage ;;
    esac
    ;;
move)
    [ $# -eq 2 ] || usage
    move "$dir" "$1" "$2"
    ;;
laptop)
    [ $# -eq 0 ] || usage
    rm -rf "$dir/class/backlight" "$dir/cpufreq"
    set_backlight "$dir" intel_backlight 120000 60000 raw
    set_backlight "$dir" acpi_video0 15 8 firmware
    set_cpu "$dir" 4 400000 4200000
    ;;
readonly)
    [ $# -eq 0 ] || usage
    make_readonly "$dir"
    ;;
exec)
    [ "$1" = "--" ] && shift
    [ $# -ge 1 ] || usage
    [ -d "$dir" ] || die "$dir does not exist (run set or laptop first)"
    dir=$(cd "$dir" && pwd)
    [ -d /sys/devices/system/cpu/cpufreq ] ||
        die "this machine has no /sys/devices/system/cpu/cpufreq to put the fake policies over"
    # Missing folders become empty ones: the machine's own panels and policies stay out of reach.
    mkdir -p "$dir/class/backlight" "$dir/class/power_supply" "$dir/cpufreq" ||
        die "cannot create the folders of $dir"
    unshare -m true 2>/dev/null || die "cannot make a private mount namespace (unshare -m needs root)"
    FAKESYS_DIR=$dir exec unshare -m sh -c '
        fail() { echo "fakesys.sh: $*" >&2; exit 1; }
        # The battery goes first: once DIR/class covers /sys/class, the caller'\''s is out of sight.
        if [ -d /sys/class/power_supply ] && [ -z "$(ls -A "$0/class/power_supply")" ]; then
            mount --bind /sys/class/power_supply "$0/class/power_supply" 2>/dev/null ||
                fail "cannot keep /sys/class/power_supply"
        fi
        mount --rbind "$0/class" /sys/class 2>/dev/null ||
            fail "cannot bind $0/class over /sys/class"
        mount --bind "$0/cpufreq" /sys/devices/system/cpu/cpufreq 2>/dev/null ||
            fail "cannot bind $0/cpufreq over /sys/devices/system/cpu/cpufreq"
        FAKESYS_NAMESPACE=$(readlink /proc/self/ns/mnt)
        export FAKESYS_DIR FAKESYS_NAMESPACE
        exec "$@"' "$dir" "$@"
    ;;
*) usage ;;
esac
