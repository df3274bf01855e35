# The one wine environment of the Windows checks and benchmarks; sourced, never run:
#
#   source scripts/wine-env.sh
#   wine_env BUILD_DIR PREFIX_NAME LOG [null]
#
# Ends any wine still running in the prefix, then sets the prefix BUILD_DIR/PREFIX_NAME up (the user's own ~/.wine is never touched), with
# the Simplified-Chinese code page (936) most users run, and with "null" wine's null
# graphics driver, for checks that need no display. Wine's own messages go to LOG. Then:
#   wine ...              runs a Windows program in code page 936 (the shell keeps its locale)
#   in_wine_locale CMD... runs CMD in that locale, for tools that start wine themselves;
#                         "${wine_locale[@]}" wine PROGRAM & gives the program's own PID
#   wine_start_services   wine's server and services, apart, their output in LOG
#   wine_stop             ends them
#   wine_map_com COMn DEVICE / wine_clear_ports   a pseudo-terminal as a COM port
# Needs wine, wine64 and locales (scripts/ensure-deps.sh installs them).

wine_env_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

wine_env() {
    local build=$1 prefix=$2 graphics=${4:-}
    wine_log=$3
    mkdir -p "$build" "$(dirname "$wine_log")"
    # Wine takes the ANSI code page from LC_CTYPE, and names files through the Unix locale's
    # character set, so a real zh_CN.UTF-8 locale is needed; it is compiled into the build
    # folder rather than installed into the system.
    local locale_dir=$build/locale
    if [ ! -f "$locale_dir/zh_CN.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$locale_dir"
        localedef -i zh_CN -f UTF-8 "$locale_dir/zh_CN.UTF-8"
    fi
    export LOCPATH=$locale_dir
    export WINEPREFIX=$build/$prefix
    export WINEDEBUG=-all
    # No .NET or HTML engines: the prompts to download them would wait for a user.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # A server left from an earlier run would keep the old registry and never let the
    # wait below end.
    wine_stop
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine wineboot --init >>"$wine_log" 2>&1 </dev/null || true
    fi
    if [ "$graphics" = null ]; then
        # Windows without a display: the null driver lets programs make hidden windows,
        # where the missing X display would refuse every window.
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$wine_log" 2>&1 </dev/null
    fi
    wineserver -w
}

# Through env, which execs the command, and wine, which execs the program.
wine_locale=(env LC_ALL=zh_CN.UTF-8)
in_wine_locale() { "${wine_locale[@]}" "$@"; }
wine() { "${wine_locale[@]}" wine "$@"; }

# Wine's services inherit the standard handles of the first program run in a prefix and
# outlive it: started here, they hold the log rather than a test's pipes. The server comes
# first, persistent, with its output in the log too: when a pseudo-terminal closes it
# prints some 10,000 lines of its objects, and a server quitting between two programs
# drops the next one's connection.
wine_start_services() {
    wineserver -p >>"$wine_log" 2>&1 </dev/null
    wine cmd /c exit >>"$wine_log" 2>&1 </dev/null
}

wine_stop() { wineserver -k >/dev/null 2>&1 || true; }

wine_map_com() { python3 "$wine_env_root/tests/support/wine_env.py" map "$1" "$2"; }

wine_clear_ports() { python3 "$wine_env_root/tests/support/wine_env.py" clear; }
