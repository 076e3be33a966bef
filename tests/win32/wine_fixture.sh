#!/usr/bin/env bash
# The Wine fixture of one ctest run.
#   setup RUN:   a fresh Wine prefix in a temporary folder (RUN/prefix links to it), an
#                Xvfb screen for the window tests (its display in RUN/display), crash
#                dialogs off so a crash ends the program instead of waiting for a click,
#                and Wine's windows unmanaged, as there is no window manager
#   cleanup RUN: stops the prefix's wineserver and the Xvfb, removes the temporary folder
set -euo pipefail
action=$1
run=$2

cleanup() {
    if [ -L "$run/prefix" ]; then
        WINEPREFIX="$run/prefix" timeout 30 wineserver -k 2>/dev/null || true
        WINEPREFIX="$run/prefix" timeout 30 wineserver -w 2>/dev/null || true
    fi
    if [ -f "$run/xvfb.pid" ]; then
        kill "$(cat "$run/xvfb.pid")" 2>/dev/null || true
    fi
    if [ -f "$run/tmp" ]; then
        rm -rf "$(cat "$run/tmp")"
    fi
    rm -rf "$run"
}

case "$action" in
setup)
    cleanup  # what an interrupted run left behind
    mkdir -p "$run"
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelvarin-wine.XXXXXX")
    echo "$tmp" >"$run/tmp"
    mkdir "$tmp/prefix"
    ln -s "$tmp/prefix" "$run/prefix"

    # one screen: Xvfb's Xinerama puts every head at the origin, so it cannot show a
    # virtual screen of monitors side by side
    setsid Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp \
        </dev/null >/dev/null 2>&1 3>"$run/display.fd" &
    echo $! >"$run/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$run/display.fd" ] && break
        sleep 0.1
    done
    [ -s "$run/display.fd" ] || { echo "Xvfb did not start" >&2; exit 1; }
    echo ":$(tr -d '[:space:]' <"$run/display.fd")" >"$run/display"

    # the prefix's desktop process starts here and must know the screen: a desktop
    # started without one leaves the next window without a display driver
    export WINEPREFIX="$run/prefix" DISPLAY
    DISPLAY=$(cat "$run/display")
    timeout 180 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # no window manager runs on the Xvfb screen: Wine's windows are left unmanaged, or
    # Wine waits two seconds for a manager's answer whenever it takes one off the screen
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    echo "Wine prefix $tmp/prefix, display $(cat "$run/display")"
    ;;
cleanup)
    cleanup
    ;;
*)
    echo "usage: $0 setup|cleanup RUN" >&2
    exit 2
    ;;
esac
