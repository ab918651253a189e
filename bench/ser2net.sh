# A ser2net on loopback in front of a device, for bench/polling-cost and
# bench/network-reconnect. Sourced, not run.

# True when something listens on 127.0.0.1:PORT (read from the socket table,
# since a test connection would make ser2net open the device).
listening() {
    local hex
    hex=$(printf '0100007F:%04X' "$1")
    awk -v want="$hex" '$2 == want && $4 == "0A" { found = 1 } END { exit !found }' /proc/net/tcp
}

# A TCP port on loopback that nothing listens on.
free_port() {
    local port
    while :; do
        port=$(( 20000 + RANDOM % 40000 ))
        listening "$port" || { echo "$port"; return; }
    done
}

# write_ser2net_config FILE KIND PORT DEVICE: KIND is tcp or rfc2217.
write_ser2net_config() {
    local accepter="tcp"
    [ "$2" = rfc2217 ] && accepter="telnet(rfc2217),tcp"
    cat >"$1" <<EOF
%YAML 1.1
---
connection: &bench
    accepter: $accepter,127.0.0.1,$3
    connector: serialdev,$4,9600n81,local
    options:
      kickolduser: true
EOF
}

# start_ser2net CONFIG PORT: starts it in the background (its pid in
# ser2net_pid) and waits until it listens.
start_ser2net() {
    local program
    program=$(command -v ser2net || echo /usr/sbin/ser2net)
    [ -x "$program" ] || { echo "no ser2net; scripts/install-deps installs it" >&2; return 1; }
    "$program" -n -u -c "$1" >/dev/null 2>&1 &
    ser2net_pid=$!
    for _ in $(seq 500); do
        listening "$2" && return 0
        sleep 0.01
    done
    echo "ser2net didn't come up on port $2" >&2
    return 1
}
