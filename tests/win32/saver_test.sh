#!/usr/bin/env bash
# End-to-end tests of Kelvarin.scr under Wine on the Xvfb screen of the ctest run's Wine
# fixture: input comes from xdotool, screenshots from ImageMagick's import, the window's
# own events from xev.
#   saver_test.sh SCENARIO BIN   (BIN holds Kelvarin.scr, Kelvarin.ini, preview_parent.exe)
# Every wait has a limit; whatever a scenario started is ended when it returns.
set -euo pipefail
scenario=$1
bin=$2
run=${KELVARIN_WINE_RUN:?the Wine fixture sets KELVARIN_WINE_RUN}
export DISPLAY
DISPLAY=$(cat "$run/display")
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvarin-saver.XXXXXX")
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT

fail() {
    echo "FAIL ($scenario): $*" >&2
    exit 1
}
# the clock in milliseconds into variable $1, without starting a process: measurements
# use it, as $(now_ms) includes the start of a subshell
stamp() { printf -v "$1" %d $((${EPOCHREALTIME/./} / 1000)); }
now_ms() {
    local now
    stamp now
    echo "$now"
}

# a copy of the saver in a folder of its own, with or without the bundled scene
install_saver() {
    mkdir -p "$work/saver"
    cp "$bin/Kelvarin.scr" "$work/saver/"
    if [ "${1:-scene}" = scene ]; then cp "$bin/Kelvarin.ini" "$work/saver/"; fi
}

# starts the saver with the given arguments in the background; its pid in $saver
start_saver() {
    wine "$work/saver/Kelvarin.scr" "$@" >/dev/null 2>&1 &
    saver=$!
    pids+=("$saver")
}

# the X window of a title, waiting up to $2 seconds; empty when none appears
window_of() {
    local title=$1 limit=$2 end id
    end=$(($(now_ms) + limit * 1000))
    while [ "$(now_ms)" -lt "$end" ]; do
        id=$( (xdotool search --name "$title" 2>/dev/null || true) | sed -n 1p)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
}

running() { kill -0 "$1" 2>/dev/null; }

# waits up to $2 ms for process $1 to end; prints how long it took; status 1 if it did not
wait_end() {
    local pid=$1 limit=$2 start now
    stamp start
    while running "$pid"; do
        stamp now
        [ $((now - start)) -lt "$limit" ] || return 1
        sleep 0.005
    done
    stamp now
    echo $((now - start))
}

# pixels of a screenshot within a few percent of a colour (antialiased edges left out)
count_near() {
    local shot=$1 colour=$2 geometry=${3:-} fuzz=${4:-8%}
    local crop=()
    [ -z "$geometry" ] || crop=(-crop "$geometry" +repage)
    convert "$shot" "${crop[@]}" -fuzz "$fuzz" -fill '#010203' -opaque "$colour" -format %c histogram:info:- |
        awk '/#010203/ {gsub(":", "", $1); n += $1} END {print n + 0}'
}

# takes screenshots into $work/shot.png until at least $2 pixels are near colour $1
# ($3: crop geometry, $4: fuzz) or 60 s have passed; prints the last count
await_pixels() {
    local colour=$1 least=$2 geometry=${3:-} fuzz=${4:-8%} end count=0
    end=$(($(now_ms) + 60000))
    while [ "$(now_ms)" -lt "$end" ]; do
        import -window root "$work/shot.png"
        count=$(count_near "$work/shot.png" "$colour" "$geometry" "$fuzz")
        [ "$count" -lt "$least" ] || break
        sleep 0.5
    done
    echo "$count"
}

# waits until the basin is drawn: the saver has loaded and handles its messages
await_running() {
    [ "$(await_pixels 'rgb(255,255,255)' 300)" -ge 300 ] || fail "the basin did not appear"
}

screen_size() { xdotool getdisplaygeometry | tr ' ' 'x'; }

# Starts xev on the window: its structure events, read by await_event. xev says
# nothing when it starts listening: a property of the window is set until xev
# reports it, so no later event can be missed.
watch_window() {
    local end
    coproc XEV { exec xev -id "$1" -event structure -event property 2>/dev/null; }
    pids+=("$XEV_PID")
    end=$(($(now_ms) + 10000))
    while [ "$(now_ms)" -lt "$end" ]; do
        xprop -id "$1" -f _KELVARIN_WATCH 8s -set _KELVARIN_WATCH on || fail "no window $1 to watch"
        if await_event '^PropertyNotify ' 200; then return 0; fi
    done
    fail "xev did not report a property change of the window within 10 s"
}

# waits up to $2 ms for xev to report an event matching $1; status 1 if it does not
await_event() {
    local pattern=$1 end now fraction line
    stamp end
    end=$((end + $2))
    while stamp now && [ "$now" -lt "$end" ] && [ -n "${XEV[0]:-}" ]; do
        fraction=$((1000 + (end - now) % 1000))
        IFS= read -r -t "$(((end - now) / 1000)).${fraction:1}" -u "${XEV[0]}" line || return 1
        [[ $line =~ $pattern ]] && return 0
    done
    return 1
}

# Leaving a full-screen run: one key is absorbed, the second ends it. Prints, from the
# second key, when the X server took the window off the screen and when the process
# ended (the figures the README gives); the waits for both are generous limits that only
# a run that never ends reaches.
keys_end_run() {
    local window=$1 start off ended
    xdotool key space
    ! wait_end "$saver" 1500 >/dev/null || fail "one key press ended the run"
    watch_window "$window"
    stamp start
    xdotool key space
    await_event '^(UnmapNotify|DestroyNotify) ' 15000 || fail "the window was still on the screen 15 s after the second key"
    stamp off
    off=$((off - start))
    wait_end "$saver" 15000 >/dev/null || fail "the process outlived its window by 15 s"
    stamp ended
    ended=$((ended - start))
    echo "second key: window off the screen after $off ms, process ended after $ended ms"
    wait "$saver" || fail "the saver ended with status $?"
}

case "$scenario" in
fullscreen)
    install_saver
    start_saver /s
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "${WIDTH}x${HEIGHT}" = "$(screen_size)" ] || fail "window ${WIDTH}x${HEIGHT} does not cover the screen $(screen_size)"
    [ "$X" = 0 ] && [ "$Y" = 0 ] || fail "window at $X,$Y instead of the screen's corner"
    shown=$(now_ms)
    white=$(await_pixels 'rgb(255,255,255)' 300)
    [ "$white" -ge 300 ] || fail "the basin did not appear ($white white pixels)"
    echo "the basin was on screen $(($(now_ms) - shown)) ms after the window"
    sleep 3  # the stations and the first constructions
    # a screenshot may fall on the moment a finished construction is wiped, or when
    # its pieces cover the boundary: look a few times for the whole picture
    for _ in $(seq 1 12); do
        import -window root "$work/shot.png"
        white=$(count_near "$work/shot.png" 'rgb(255,255,255)')
        green=$(count_near "$work/shot.png" 'rgb(0,128,0)')
        red=$(count_near "$work/shot.png" 'rgb(255,0,0)')
        background=$(count_near "$work/shot.png" 'rgb(14,18,28)')
        echo "pixels: basin white $white, gauge green $green, gauge red $red, background $background"
        if [ "$white" -gt 150 ] && { [ "$green" -gt 20 ] || [ "$red" -gt 20 ]; }; then break; fi
        sleep 0.5
    done
    # constructions cover parts of the boundary as the cycle goes on
    [ "$white" -gt 150 ] || fail "the basin boundary is not on screen ($white white pixels)"
    [ "$green" -gt 20 ] || [ "$red" -gt 20 ] || fail "no gauge marks on screen (green $green, red $red)"
    [ "$background" -gt 100000 ] || fail "the map background does not fill the screen"
    [ -z "${KELVARIN_SCREENSHOT:-}" ] || cp "$work/shot.png" "$KELVARIN_SCREENSHOT"

    keys_end_run "$window"
    ;;
large-scene)
    # a full-sized network: 41 gauges with every pair's centre point
    install_saver noscene
    timeout 60 wine "$bin/make_sample_scene.exe" --gauges 41 --center-points \
        "$(winepath -w "$work/saver/Kelvarin.ini")" || fail "make_sample_scene could not write the 41-gauge scene"
    start_saver /s
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    await_running
    keys_end_run "$window"
    ;;
mouse)
    install_saver
    # the pointer rests where it will jitter before the saver starts: where the saver
    # first sees it is where movements are measured from
    xdotool mousemove 500 300
    start_saver /s
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    await_running
    # a sensitive mouse: movements below the threshold are no input
    for dx in 1 2 3 2 1 0; do
        xdotool mousemove $((500 + dx)) $((300 + dx))
        sleep 0.1
    done
    sleep 0.5
    running "$saver" || fail "pointer jitter of under 4 pixels ended the run"
    xdotool mousemove 560 300
    sleep 0.5
    xdotool mousemove 620 340
    taken=$(wait_end "$saver" 15000) || fail "two real mouse movements did not end the run"
    echo "second mouse movement to process end: $taken ms"
    ;;
close)
    install_saver
    start_saver /s
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    await_running
    # taskkill without /f asks the process's windows to close
    timeout 60 wine taskkill /im Kelvarin.scr >/dev/null 2>&1 || true
    taken=$(wait_end "$saver" 15000) || fail "a close request did not end the run"
    echo "close request to process end: $taken ms"
    ;;
single)
    install_saver
    start_saver /s
    first=$saver
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    await_running
    start=$(now_ms)
    timeout 60 wine "$work/saver/Kelvarin.scr" /s >/dev/null 2>&1 || fail "a second full-screen start failed"
    echo "second full-screen start ended after $(($(now_ms) - start)) ms"
    [ "$(xdotool search --name '^Kelvarin$' | wc -l)" -eq 1 ] || fail "a second saver window appeared"
    # a preview start while the full-screen run goes on ends at once too (its parent
    # stays hidden: a window that takes the focus would end the full-screen run)
    timeout 60 wine "$bin/preview_parent.exe" "$work/saver/Kelvarin.scr" "$work/state" hidden >/dev/null 2>&1 || true
    [ ! -e "$work/state.ready" ] || fail "a preview started while a full-screen run was going on"
    running "$first" || fail "the first saver ended"
    xdotool key space
    sleep 0.5
    xdotool key space
    wait_end "$first" 15000 >/dev/null || fail "the first saver did not end on input"
    ;;
preview)
    install_saver
    wine "$bin/preview_parent.exe" "$work/saver/Kelvarin.scr" "$work/state" >/dev/null 2>&1 &
    parent=$!
    pids+=("$parent")
    end=$(($(now_ms) + 60000))
    while [ ! -e "$work/state.ready" ] && [ "$(now_ms)" -lt "$end" ] && running "$parent"; do sleep 0.2; done
    [ -e "$work/state.ready" ] || fail "the saver's window did not become a child of the parent"
    read -r left top width height childWidth childHeight < <(tr -d '\r' <"$work/state.ready")
    [ "$childWidth" = "$width" ] && [ "$childHeight" = "$height" ] ||
        fail "the preview is ${childWidth}x$childHeight, the parent's client area ${width}x$height"
    # Wine does not show a child window that belongs to another process (the parent's
    # area keeps its own colour there), so the screen can only show that nothing of
    # the preview lands outside the parent
    sleep 5
    import -window root "$work/shot.png"
    inside="${width}x${height}+${left}+${top}"
    everywhere=$(($(count_near "$work/shot.png" 'rgb(14,18,28)') + $(count_near "$work/shot.png" 'rgb(255,255,255)')))
    within=$(($(count_near "$work/shot.png" 'rgb(14,18,28)' "$inside") + $(count_near "$work/shot.png" 'rgb(255,255,255)' "$inside")))
    echo "saver pixels: $within inside the parent, $((everywhere - within)) outside it"
    [ "$everywhere" -eq "$within" ] || fail "the preview draws outside its parent"
    # input over the preview does not end it
    for i in 1 2 3 4; do
        xdotool mousemove $((left + 20 * i)) $((top + 15 * i))
        sleep 0.2
        xdotool key space
    done
    sleep 1
    touch "$work/state.close"
    end=$(($(now_ms) + 60000))
    while [ ! -e "$work/state.result" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.2; done
    [ -e "$work/state.result" ] || fail "the parent did not report"
    cat "$work/state.result"
    grep -q 'alive_at_close=1' "$work/state.result" || fail "input ended the preview"
    grep -q 'ended=1' "$work/state.result" || fail "the preview outlived its parent"
    ;;
configure)
    install_saver
    for argument in /c /c:1234; do
        start_saver "$argument"
        box=$(window_of '^警告訊息$' 60)
        [ -n "$box" ] || fail "$argument showed no message box titled 警告訊息"
        [ -z "$(xdotool search --name '^Kelvarin$' 2>/dev/null)" ] || fail "$argument showed a map window"
        xdotool windowfocus --sync "$box" 2>/dev/null || true
        xdotool key Return
        if ! wait_end "$saver" 3000 >/dev/null; then
            # the key went elsewhere (no window manager gives the box the focus): close the box
            timeout 60 wine taskkill /im Kelvarin.scr >/dev/null 2>&1 || true
            wait_end "$saver" 10000 >/dev/null || fail "$argument did not end once the message box was closed"
        fi
    done
    ;;
other)
    install_saver
    for argument in /a /x /d -s s; do
        start=$(now_ms)
        start_saver "$argument"
        seen=""
        while running "$saver" && [ $(($(now_ms) - start)) -lt 30000 ]; do
            seen=$(xdotool search --name '^Kelvarin$' 2>/dev/null || true)
            [ -z "$seen" ] || break
            sleep 0.05
        done
        [ -z "$seen" ] || fail "$argument showed a window"
        wait_end "$saver" 1000 >/dev/null || fail "$argument did not end"
        echo "$argument ended after $(($(now_ms) - start)) ms without a window"
    done
    ;;
missing-scene)
    install_saver noscene
    start_saver /s
    window=$(window_of '^Kelvarin$' 60)
    [ -n "$window" ] || fail "no saver window appeared"
    # the reason is printed in light grey on the dark map background
    shown=$(now_ms)
    text=$(await_pixels 'rgb(235,235,235)' 300 '' 35%)
    echo "the reason was on screen $(($(now_ms) - shown)) ms after the window"
    import -window root "$work/shot.png"
    [ -z "${KELVARIN_SCREENSHOT_MISSING:-}" ] || cp "$work/shot.png" "$KELVARIN_SCREENSHOT_MISSING"
    echo "text pixels: $text"
    [ "$text" -ge 300 ] || fail "the missing scene is not reported on the screen"
    [ -z "$(xdotool search --name 'Program Error' 2>/dev/null)" ] || fail "Wine's crash dialog appeared"
    running "$saver" || fail "the saver ended without input"
    xdotool key space
    sleep 0.5
    xdotool key space
    wait_end "$saver" 15000 >/dev/null || fail "input did not end the run"
    wait "$saver" || fail "the saver ended with status $?"
    ;;
*)
    fail "no such scenario"
    ;;
esac
echo "ok ($scenario)"
