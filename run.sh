#!/usr/bin/env bash
# Installs what is missing, builds and runs the tool.
#   ./run.sh                     the window (on a machine without a display: the demo)
#   ./run.sh --demo              with a display: the window, with a virtual device to flash
#                                listed as virtual0; without one: a whole transfer on the
#                                command line into the virtual device
#   ./run.sh --screenshot F.png  renders the window after start-up into F.png
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh build

bin=build/apps
has_display() { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }

headless_demo() {
    local demo=build/demo
    rm -rf "$demo" && mkdir -p "$demo/received"
    head -c 20000 /dev/urandom >"$demo/sample.bin"
    echo "== a virtual boot loader at 115200 baud =="
    "$bin/ymodem-devsim/ymodem-devsim" --no-link --line-rate 115200 --timeout 60 \
        --expect "$demo/sample.bin" --output "$demo/received" >"$demo/device.log" &
    local device=$!
    local port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/^port: //p' "$demo/device.log")
        [ -n "$port" ] && break
        sleep 0.05
    done
    [ -n "$port" ] || { echo "the virtual device did not start" >&2; exit 1; }
    echo "== ymodem-send --timeout 60 $port $demo/sample.bin =="
    "$bin/ymodem-send/ymodem-send" --quiet --timeout 60 "$port" "$demo/sample.bin"
    wait "$device"
    echo "== the device =="
    grep -E '^(received|verify):' "$demo/device.log"
}

window_demo() {
    "$bin/ymodem-devsim/ymodem-devsim" --name virtual0 --line-rate 115200 --count 1000 &
    local device=$!
    trap 'kill $device 2>/dev/null || true' EXIT
    sleep 0.3
    "$bin/ymodem-burner/ymodem-burner"
}

case "${1:-}" in
    --demo)
        if has_display; then window_demo; else headless_demo; fi
        ;;
    --screenshot)
        QT_QPA_PLATFORM=offscreen exec "$bin/ymodem-burner/ymodem-burner" --screenshot "${2:?file}"
        ;;
    *)
        if has_display; then exec "$bin/ymodem-burner/ymodem-burner" "$@"; else headless_demo; fi
        ;;
esac
