# Reading a running process from /proc, for bench/polling-cost and bench/soak.
# Sourced, not run.

# CPU time the process has used so far, user and system, in clock ticks.
cpu_ticks() {
    local fields
    # The name in parentheses may hold spaces; the counters follow it.
    read -r -a fields < <(sed 's/^.*) //' "/proc/$1/stat")
    echo $(( fields[11] + fields[12] ))
}

# Resident memory now (VmRSS) and its peak (VmHWM), in kB.
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
peak_rss_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

# Seconds since the epoch, with nanoseconds.
now() { date +%s.%N; }

# awk arithmetic for the figures: calc 'expression'.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

# Commands the simulator answered: it logs one "'<letter>' -> ..." line per
# command received when run with --verbose.
polls_in() { grep -c "^vanto-controller-sim: '.' -> " "$1" || true; }
