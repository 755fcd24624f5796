# What the scripts that drive the Windows windows under Wine share: Wine on
# the test display, the probe that reads the window from outside, waiting for
# windows, and clicks. Sourced with wine_run, state and probe_exe set; it runs
# in the scratch folder.
DISPLAY=$(cat "$state/display")
export DISPLAY
wine() { "$wine_run" "$state" "$@"; }
probe() { wine "$probe_exe" "$@" 2> probe.err < /dev/null; }
fail() {
    echo "window test: $1"
    probe state > state 2>&1 && cat state
    cat probe.err
    exit 1
}
# The first visible window with this title, within 30 s.
window_named() {
    for tries in $(seq 300); do
        found=$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n 1)
        [ -n "$found" ] && echo "$found" && return 0
        sleep 0.1
    done
    return 1
}
# Sets center to the screen point in the middle of a control. A Wine busy with
# another test may let one probe go by without an answer: it is asked again.
center_of() {
    for tries in 1 2 3 4 5; do
        center=$(probe center "$1") && [ -n "$center" ] && return 0
        sleep 0.5
    done
    fail "no place for $1"
}
click() {
    center_of "$1"
    set -- $center
    xdotool mousemove "$1" "$2" click 1
}

