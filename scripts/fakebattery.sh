#!/bin/sh
# fakebattery.sh — the fake battery that Wine programs read in place of /sys/class/power_supply.
#   fakebattery.sh set DIR ac [N]            AC power, battery full at N % (default 100)
#   fakebattery.sh set DIR charging N        AC power, charging at N %
#   fakebattery.sh set DIR battery N M       on battery at N %, M minutes left ("unknown": no time)
#   fakebattery.sh set DIR nobattery         AC power, no battery at all
#   fakebattery.sh set DIR unknown [N]       AC line state unknown (ACLineStatus 255)
#   fakebattery.sh drain DIR START STEP SECONDS [MINUTES_PER_PERCENT]
#        in the background: on battery from START %, STEP % less every SECONDS until 0; prints
#        the process id to stop it with kill (minutes left = percent * MINUTES_PER_PERCENT, 3)
#   fakebattery.sh exec DIR -- COMMAND...    runs COMMAND in a private mount namespace where DIR
#        replaces /sys/class/power_supply (needs root or unprivileged user namespaces)
# Wine turns charges and currents into whole mWh and mW (value * voltage / 10^9) before it
# computes percent and time; the values written keep each step exact (see sim/battery/FakeBattery.c,
# which writes the same ones). Each file is replaced whole by a rename.
set -e

die() { echo "fakebattery.sh: $*" >&2; exit 1; }
usage() { sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 1; }
is_number() { case "$1" in ''|*[!0-9]*) return 1 ;; esac; [ ${#1} -le 9 ]; }

# put DIR ENTRY FILE VALUE
put() {
    printf '%s\n' "$4" > "$1/$2/.$3.new"
    mv -f "$1/$2/.$3.new" "$1/$2/$3"
}

# values STATE PERCENT MINUTES: prints "online status charge_now current_now", or fails.
values() {
    awk -v state="$1" -v p="$2" -v m="$3" 'BEGIN {
        per = 5000; full = 500000; idle = 30000
        rem = p ? p * per : per - 1; rate = idle
        if (state == "ac") { print 1, "Full", rem * 50, 0; exit 0 }
        if (state == "charging") { print 1, "Charging", rem * 50, rate * 50; exit 0 }
        if (state == "unknown") { print 255, "Discharging", rem * 50, 0; exit 0 }
        if (m == "unknown") { print 0, "Discharging", rem * 50, 0; exit 0 }
        low = p ? p * per : 1; high = (p == 100) ? full : (p + 1) * per - 1
        for (r = high; r >= low; r--) {
            if (m == 0) rate = 60 * r + 1
            else { rate = int(60 * r / m); if (rate == 0 || int(60 * r / rate) != m) continue }
            print 0, "Discharging", r * 50, rate * 50; exit 0
        }
        exit 1
    }'
}

# write DIR STATE PERCENT MINUTES
write() {
    dir=$1
    mkdir -p "$dir" || die "cannot create $dir"
    if [ "$2" = nobattery ]; then
        rm -rf "$dir/BAT0"
        online=1
    else
        set -- $(values "$2" "$3" "$4") || die "no battery values give $3 % with $4 minutes"
        [ $# -eq 4 ] || die "no battery values give those minutes"
        online=$1
        mkdir -p "$dir/BAT0"
        # The full charge never changes, so a reader between two writes still sees a sane
        # percentage; the line state goes last.
        put "$dir" BAT0 type Battery
        put "$dir" BAT0 voltage_now 20000000
        put "$dir" BAT0 charge_full 25000000
        put "$dir" BAT0 current_now "$4"
        put "$dir" BAT0 charge_now "$3"
        put "$dir" BAT0 status "$2"
    fi
    mkdir -p "$dir/AC"
    put "$dir" AC type Mains
    put "$dir" AC online "$online"
}

percent_arg() {
    is_number "$1" && [ "$1" -le 100 ] || die "percent must be 0..100, not \"$1\""
}

[ $# -ge 2 ] || usage
cmd=$1; dir=$2; shift 2
case "$cmd" in
set)
    [ $# -ge 1 ] || usage
    what=$1; shift
    case "$what" in
    ac)        p=${1:-100}; percent_arg "$p"; write "$dir" ac "$p" 0 ;;
    charging)  [ $# -eq 1 ] || usage; percent_arg "$1"; write "$dir" charging "$1" 0 ;;
    battery)   [ $# -eq 2 ] || usage; percent_arg "$1"
               [ "$2" = unknown ] || is_number "$2" || die "minutes must be a number or unknown"
               write "$dir" battery "$1" "$2" ;;
    nobattery) [ $# -eq 0 ] || usage; write "$dir" nobattery 0 0 ;;
    unknown)   p=${1:-50}; percent_arg "$p"; write "$dir" unknown "$p" 0 ;;
    *) usage ;;
    esac
    ;;
drain)
    [ $# -ge 3 ] || usage
    start=$1; step=$2; seconds=$3; per=${4:-3}
    percent_arg "$start"
    is_number "$step" && is_number "$seconds" && is_number "$per" || die "STEP, SECONDS and MINUTES_PER_PERCENT are whole numbers"
    write "$dir" battery "$start" $((start * per))
    (
        p=$start
        while [ "$p" -gt 0 ]; do
            sleep "$seconds"
            p=$((p - step)); [ "$p" -lt 0 ] && p=0
            write "$dir" battery "$p" $((p * per))
        done
    ) >/dev/null 2>&1 </dev/null &
    echo $!
    ;;
exec)
    [ "$1" = "--" ] && shift
    [ $# -ge 1 ] || usage
    [ -d "$dir" ] || die "$dir does not exist (run set first)"
    dir=$(cd "$dir" && pwd)
    unshare -m true 2>/dev/null || die "cannot make a private mount namespace (unshare -m needs root)"
    exec unshare -m sh -c '
        mount --bind "$0" /sys/class/power_supply 2>/dev/null ||
            { echo "fakebattery.sh: cannot bind $0 over /sys/class/power_supply" >&2; exit 1; }
        exec "$@"' "$dir" "$@"
    ;;
*) usage ;;
esac
