#!/usr/bin/env bash
# The desktop entry's StartupWMClass is the class the tool's window gets on X,
# so the desktop puts the running window under the menu entry's icon.
#   window-class.sh PROGRAM DESKTOP_FILE
set -euo pipefail
program="$1" entry="$2"
expected=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$expected" ] || { echo "FAIL: $entry has no StartupWMClass"; exit 1; }

# Under a scratch X server: start the tool on its simulator, find its main
# window by title, and print the class xwininfo reports for it.
got=$(QT_QPA_PLATFORM=xcb xvfb-run -a bash -c '
    "$1" --simulate >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do
        line=$(xwininfo -root -tree | grep "\"VANTO Port Testing Diagnostics Tool" || true)
        [ -n "$line" ] && break
        sleep 0.2
    done
    kill "$pid"; wait "$pid" 2>/dev/null || true
    # ... "VANTO Port Testing Diagnostics Tool [simulated controller]": ("instance" "class")  652x...
    echo "$line" | sed -n "s/.*(\"[^\"]*\" \"\([^\"]*\)\").*/\1/p"
' _ "$program")
echo "window class: '$got', StartupWMClass: '$expected'"
[ "$got" = "$expected" ]
