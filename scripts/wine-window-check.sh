#!/usr/bin/env bash
# Checks the real ymodem-burner.exe window under wine (code page 936) on a virtual X display:
# window_probe.exe reads it back (places at its DPI, texts, focus, Tab order) and the
# screenshots show the red labels and the lamps. Runs: a hostile settings file and no port
# (Alt+O, Return on 重新加载), an unreadable settings file, transfers to the virtual device on
# a pseudo-terminal mapped as COM5 (the second under the file dialog), and 144 dpi. Output
# and wine's own messages go to BUILD_DIR/window-check/; the wine prefix is BUILD_DIR/wine-window.
#
#   scripts/wine-window-check.sh BUILD_DIR
#
# The virtual device comes from the Linux build in YMODEM_LINUX_BUILD (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:?usage: scripts/wine-window-check.sh BUILD_DIR}" && pwd)
linux_build=${YMODEM_LINUX_BUILD:-$PWD/build}
exe=$build/apps/ymodem-burner/ymodem-burner.exe
probe=$build/tests/win32/window_probe.exe
devsim=$linux_build/apps/ymodem-devsim/ymodem-devsim
out=$build/window-check
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.txt

scripts/ensure-deps.sh wine wine64 locales xvfb xauth xdotool imagemagick fonts-noto-cjk
[ -x "$devsim" ] || scripts/build.sh "$linux_build"

log=$out/wine.log
: >"$log"
source scripts/wine-env.sh
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
app=
devsim_pid=
cleanup() {
    for pid in $app $devsim_pid $xvfb; do kill "$pid" 2>/dev/null || true; done
    wine_stop
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$out/display")
# A prefix of its own, with a graphics driver: the window is drawn on the virtual display.
wine_env "$build" wine-window "$log"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Chinese text draws only where the registry maps the Windows families to an installed one.
# A .reg file of regedit's from its lines: UTF-16 LE with a byte order mark; gives its path.
reg_file() {
    local name=$1
    shift
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '%s\r\n' "$@"
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$out/$name.reg"
    echo "$out/$name.reg"
}
import_reg() {
    wine regedit /S "$(winepath -w "$1" 2>/dev/null)" >>"$log" 2>&1 </dev/null
    wineserver -w
}
# The system's DPI, where wine reads it.
desktop='[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]'
noto='="Noto Sans CJK SC"'
import_reg "$(reg_file fonts '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' "\"SimSun\"$noto" \
    "\"宋体\"$noto" "\"NSimSun\"$noto" "\"Microsoft YaHei\"$noto" "\"微软雅黑\"$noto" "$desktop" \
    '"LogPixels"=dword:00000060')"
wine_start_services

drive_c=$WINEPREFIX/drive_c
user_dir=$drive_c/users/$(id -un)/AppData/Local/ymodem-burner
shared_ini=$drive_c/YmodemCfg.ini

# The first line of the probe's output for that control, from its text on.
control_text() { grep -a "^$1 " "$out/probe.txt" | head -1 | cut -d' ' -f8- | tr -d '\r'; }
run_probe() { wine "$probe" >"$out/probe.txt" 2>>"$log" </dev/null; }

# Waits until the control's text is the one given; gives whether it came.
wait_for_text() {
    for _ in $(seq 50); do
        run_probe || true
        [ "$(control_text "$1")" = "$2" ] && return 0
        sleep 0.2
    done
    return 1
}

start_window() {
    local started found
    started=$(date +%s%N)
    # Through env, which execs wine, which execs the program: $! is the program.
    "${wine_locale[@]}" wine "$exe" >>"$log" 2>&1 </dev/null &
    app=$!
    # xdotool's own --sync looks every 0.5 s; this looks every 20 ms, for 30 s at most.
    window=
    for _ in $(seq 1000); do
        window=$(xdotool search --onlyvisible --class ymodem-burner.exe 2>/dev/null | head -1) || true
        [ -n "$window" ] && break
        sleep 0.02
    done
    found=$(date +%s%N)
    if [ -z "$window" ]; then fail "$1: no window within 30 s"; return 1; fi
    echo "$1: window visible $(((found - started) / 1000000)) ms after start"
    sleep 0.5
}

stop_window() { kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; app=; }

check_layout() {
    if ! run_probe; then fail "$1: the window differs from the drawn form"; fi
    cp "$out/probe.txt" "$out/probe-$1.txt"
    grep -a '^mismatch' "$out/probe.txt" || true
    import -window "$window" "$out/$1.png" || fail "$1: no screenshot"
}

# Whether a screenshot holds pixels of exactly that colour in the rectangle WxH+X+Y (96 dpi,
# client pixels: without a window manager the X window is the client area).
has_colour() { [ "$(convert "$out/$1" -crop "$2" +repage txt:- | grep -ci "$3")" -gt 0 ]; }
lamp=11x11+183+27

press_alt_o() { xdotool windowfocus --sync "$window" && xdotool key alt+o; }

echo "== hostile settings, no port =="
wine_clear_ports  # only the ports a run maps exist
rm -rf "$user_dir"
{
    printf '\xff\xfe\x00garbage\r\n[Para1]\nSaveComm=COM7%05000d\nCboBaud=99999999999999\n'
    printf 'Path=\x01\x02:*?<>|\nPath=%s\n[Para1\n==\n' "$(head -c 3000 /dev/zero | tr '\0' x)"
} >"$shared_ini"
if start_window hostile; then
    check_layout hostile
    [ "$(control_text Label4)" = "欢迎使用!" ] || fail "hostile: status $(control_text Label4)"
    [ -z "$(control_text ComboComm)" ] || fail "hostile: wine offers $(control_text ComboComm)"
    has_colour hostile.png 69x21+15+120 '#FF0000' || fail "hostile: the status line is not red"
    has_colour hostile.png 52x17+198+24 '#FF0000' || fail "hostile: the file line is not red"
    press_alt_o
    wait_for_text Label4 "COM16设备无效" || fail "hostile: Alt+O gave '$(control_text Label4)'"
    # Back against the drawn tab order from the open button: 选择程序..., the path box, the
    # baud list, 重新加载; Return presses the focused button. The hostile path loads nothing,
    # and a reload that loads nothing says so.
    xdotool key shift+Tab shift+Tab shift+Tab shift+Tab Return
    wait_for_text Label4 "请选择一个烧写文件" || fail "hostile: Return on 重新加载 gave '$(control_text Label4)'"
    stop_window
fi

echo "== settings that cannot be read =="
rm -f "$shared_ini"
mkdir -p "$user_dir/YmodemCfg.ini"
if start_window unreadable; then
    check_layout unreadable
    [ "$(control_text Label4)" = "欢迎使用!" ] || fail "unreadable: status $(control_text Label4)"
    stop_window
fi

echo "== transfers to the virtual device on COM5, the second under the file dialog =="
image=$out/烧写程序.bin
other=$out/other.bin
head -c 20000 /dev/urandom >"$image"
head -c 1000 /dev/urandom >"$other"
# It asks again 3 s after the first transfer, while the file dialog is open.
"$devsim" --no-link --expect "$image" --count 2 --gap 3000 --timeout 60 >"$out/devsim.txt" 2>&1 &
devsim_pid=$!
for _ in $(seq 100); do grep -q '^port: ' "$out/devsim.txt" && break; sleep 0.05; done
wine_clear_ports
wine_map_com COM5 "$(sed -n 's/^port: //p' "$out/devsim.txt")"
# The settings file holds the system's 8-bit text: GBK for code page 936.
printf '[Para1]\r\nSaveComm=COM5\r\nCboBaud=4\r\nPath=%s\r\n' "$(winepath -w "$image" 2>/dev/null)" |
    iconv -f UTF-8 -t GBK >"$shared_ini"
wait_for_verified() {
    for _ in $(seq 100); do [ "$(grep -c '^verify: OK' "$out/devsim.txt")" -ge "$1" ] && return 0; sleep 0.1; done
    return 1
}
if start_window transfer; then
    check_layout transfer
    [ "$(control_text ComboComm)" = "COM5" ] || fail "transfer: port list shows $(control_text ComboComm)"
    press_alt_o
    wait_for_text Label4 "文件发送完毕!" || fail "transfer: status '$(control_text Label4)'"
    wait_for_verified 1 || fail "transfer: the device did not verify the image"
    import -window "$window" "$out/transfer-done.png" || true
    has_colour transfer.png "$lamp" '#C0C0C0' && ! has_colour transfer.png "$lamp" '#00FF00' ||
        fail "transfer: the closed port's lamp is not grey"
    has_colour transfer-done.png "$lamp" '#00FF00' || fail "transfer: the open port's lamp is not green"
    # Shift+Tab from the open button reaches 选择程序...; the dialog is a second window.
    xdotool key shift+Tab space
    for _ in $(seq 50); do [ "$(xdotool search --onlyvisible --class ymodem-burner.exe | wc -l)" -ge 2 ] && break; sleep 0.1; done
    wait_for_verified 2 || fail "transfer: no second transfer under the file dialog"
    xdotool type --delay 20 "$(winepath -w "$other" 2>/dev/null)"
    xdotool key Return
    wait_for_text Text1 "$(winepath -w "$other" 2>/dev/null)" ||
        fail "transfer: the dialog's choice shows as '$(control_text Text1)'"
    [[ "$(control_text Label1)" == "文件大小: 1000  包数: 8  crc: 0x"* ]] ||
        fail "transfer: the chosen file's line reads '$(control_text Label1)'"
    grep -a '^verify:' "$out/devsim.txt" || true
    stop_window
fi
wait "$devsim_pid" 2>/dev/null || true
devsim_pid=

echo "== 144 dots per inch =="
# The registry is written with the server down; the window places everything anew.
wine_stop
import_reg "$(reg_file dpi "$desktop" '"LogPixels"=dword:00000090')"
wine_start_services
wine_clear_ports
rm -f "$shared_ini"
if start_window dpi144; then
    check_layout dpi144
    grep -q '^dpi 144 client 818 218' "$out/probe.txt" || fail "dpi144: $(head -1 "$out/probe.txt")"
    stop_window
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed; see $out" >&2; exit 1; }
echo "the window checks passed; screenshots in $out"
