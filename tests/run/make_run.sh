#!/bin/sh
# Runs `make run` as the README tells a user to. With a display (the one in
# DISPLAY_DIR, see tests/support/display) it must open the window, seen from
# outside within 60 s, and end with status 0 when the window is closed; with no
# display it must print the command line's help and succeed.
# Usage: make_run.sh SOURCE_DIR window DISPLAY_DIR | make_run.sh SOURCE_DIR no-display
set -eu
source=$1 mode=$2
out=$(mktemp "${TMPDIR:-/tmp}/firma-make-run-XXXXXX")
cleanup() {
    [ -n "${make_pid:-}" ] && kill "$make_pid" 2> /dev/null
    rm -f "$out"
}
trap cleanup EXIT
fail() {
    echo "make run: $1"
    cat "$out"
    exit 1
}
# As from a user's shell, not as a step of the make that runs the tests.
unset MAKEFLAGS MFLAGS MAKELEVEL
unset WAYLAND_DISPLAY

if [ "$mode" = no-display ]; then
    env -u DISPLAY make -C "$source" run > "$out" 2>&1 < /dev/null || fail "status $? without a display"
    grep -q '^Usage: firma \[OPTION\]\.\.\. \[FILE\]\.\.\.$' "$out" || fail "no help without a display"
    exit 0
fi

DISPLAY=$(cat "$3/display")
export DISPLAY
make -C "$source" run > "$out" 2>&1 < /dev/null & make_pid=$!
window=
for tries in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^App para obtener firma de archivo$' 2> /dev/null | head -n 1) || true
    [ -n "$window" ] && break
    kill -0 "$make_pid" 2> /dev/null || break
    sleep 0.1
done
[ -n "$window" ] || fail "no window within 60 s, or make ended first"
# Closed as a user closes it: Alt+F4, through the window manager; pressed
# again every 5 s, as a user would, where a busy machine let the first press
# reach the window before it could take it.
for tries in $(seq 300); do
    kill -0 "$make_pid" 2> /dev/null || break
    if [ $((tries % 50)) = 1 ]; then
        xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2> /dev/null || true
    fi
    sleep 0.1
done
kill -0 "$make_pid" 2> /dev/null && fail "still running 30 s after the window was closed"
status=0
wait "$make_pid" || status=$?
make_pid=
[ "$status" = 0 ] || fail "status $status after the window was closed"
