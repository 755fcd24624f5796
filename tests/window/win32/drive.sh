#!/bin/sh
# Drives the Windows window under Wine with real drags from a Linux program and
# real keys and clicks: what a user does on Windows. The window is read from
# outside by the probe. With FIRMA_WINDOW_SHOT=FILE.png in the environment, it
# also saves a screenshot of the window after signing.
# Usage: drive.sh SCRATCH_DIR NATIVE_BUILD FIRMA_GUI_EXE PROBE_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 native=$2 gui=$3 probe_exe=$4
shift 4
wine_run=$1 state=$2
drag_source=$("$(dirname "$0")/../../../scripts/program" "$native" drag_source)
screenshot=${FIRMA_WINDOW_SHOT:+$(realpath -m "$FIRMA_WINDOW_SHOT")}
. "$(dirname "$0")/driving.sh"

cleanup() {
    [ -n "${gui_pid:-}" ] && kill "$gui_pid" 2> /dev/null
    [ -n "${drag_pid:-}" ] && kill "$drag_pid" 2> /dev/null
    return 0
}
trap cleanup EXIT
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"

# Drags the given files (or --text TEXT) from the drag source onto the name box.
drag() {
    "$drag_source" "$@" > drag.out 2> /dev/null & drag_pid=$!
    source=$(window_named '^drag source$') || fail "no drag source"
    eval "$(xdotool getwindowgeometry --shell "$source")"
    center_of TextFileName
    set -- $center
    xdotool mousemove $((X + 60)) $((Y + 60)) mousedown 1
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((X + 60 + ($1 - X - 60) * step / 8)) $((Y + 60 + ($2 - Y - 60) * step / 8))
        sleep 0.1
    done
    xdotool mouseup 1
    wait "$drag_pid"
    drag_pid=
}
# Drops files on the name box and waits for NAME there (a copy, never a
# move). A drop that a Wine busy with other tests let go by (the source says
# none) is dragged again, as a user would.
# Usage: drop_files NAME FILE...
drop_files() {
    name=$1
    shift
    for tries in 1 2 3; do
        drag "$@"
        [ "$(cat drag.out)" = none ] || break
    done
    [ "$(cat drag.out)" = copy ] || fail "the drop of $1 answered $(cat drag.out)"
    probe wait TextFileName "$name" || fail "no path after the drop of $1"
}
# Waits until the window's state is EXPECTED (a file), for up to 15 s: a
# window is visible a moment before its controls are laid out and the focus
# arrives, and a loaded machine stretches that moment.
state_becomes() {
    for tries in $(seq 150); do
        probe state > state && cmp -s "$1" state && return 0
        sleep 0.1
    done
    diff "$1" state
    fail "$2"
}
printf abc > 'año ñ.txt'; printf xyz > second
windows_dir="Z:$(pwd | tr / '\\')"
LC_ALL=C.UTF-8 "$wine_run" "$state" "$gui" > gui.out 2>&1 < /dev/null & gui_pid=$!
window=$(window_named '^App para obtener firma de archivo$') || fail "no window: $(cat gui.out)"

cat > expected <<END
caption: App para obtener firma de archivo
frame: title
client: 518x491
tab order: TextSign TextFileName CommandSign
focus: TextSign
TextSign: 96,438 305x19 ""
TextFileName: 96,32 305x289 ""
CommandSign: 160,352 161x57 "Obtener firma"
Progress: 96,416 305x14 hidden ""
END
state_becomes expected "not as first shown"

# Two files dropped: the first one's full path. A copy, never a move.
drop_files "$windows_dir\\año ñ.txt" "$PWD/año ñ.txt" "$PWD/second"

# From the focused result box: Tab, Tab reaches the button; Enter presses it.
xdotool windowactivate --sync "$window"
xdotool key Tab Tab Return
probe wait TextSign 0000555 || fail "no signature after Enter on the button"
[ -n "$screenshot" ] && import -window root -crop 522x516+0+0 +repage "$screenshot"

# Editing the name empties the signature; dropping text empties the name.
click TextFileName
xdotool key End type x
probe wait TextSign "" || fail "a signature beside an edited name"
drag --text hello
probe wait TextFileName "" || fail "dropped text was not refused"

# A large file: the window stays responsive while it is read, and closing it
# stops the reading at once.
printf a > big; truncate -s 4G big  # zeros after a first byte: each one is a step
drop_files "$windows_dir\\big" "$PWD/big"
click CommandSign
# The click reaches the window when X delivers it: wait for the signing to show.
for tries in $(seq 200); do
    probe state > state
    grep -q '^Progress: .* hidden' state || break
    sleep 0.1
done
grep -q '^Progress: .* hidden' state && fail "no progress bar while signing"
grep -q '^CommandSign: .* disabled' state || fail "button enabled while signing"
probe close
for tries in $(seq 30); do
    kill -0 "$gui_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$gui_pid" 2>/dev/null && fail "still reading 3 s after being closed"
wait "$gui_pid" || fail "exit status $?"
gui_pid=

# Started with a file, as Explorer's verb or a drop on the icon starts it:
# shown and signed at once.
LC_ALL=C.UTF-8 "$wine_run" "$state" "$gui" "$windows_dir\\año ñ.txt" second > gui.out 2>&1 < /dev/null & gui_pid=$!
window_named '^App para obtener firma de archivo$' > /dev/null || fail "no window when started with a file"
probe wait TextFileName "$windows_dir\\año ñ.txt" || fail "not the first argument in the name box"
probe wait TextSign 0000555 || fail "not signed when started with a file"
probe close
wait "$gui_pid" || fail "exit status $? when started with a file"
gui_pid=

# At 144 dpi (150 %) the window and its controls keep their size in inches.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f > reg.out 2>&1
LC_ALL=C.UTF-8 "$wine_run" "$state" "$gui" > gui.out 2>&1 < /dev/null & gui_pid=$!
window_named '^App para obtener firma de archivo$' > /dev/null || fail "no window at 144 dpi"
sed -e 's/518x491/777x737/' -e 's/96,438 305x19/144,657 458x29/' -e 's/96,32 305x289/144,48 458x434/' \
    -e 's/160,352 161x57/240,528 242x86/' -e 's/96,416 305x14/144,624 458x21/' expected > expected-144
state_becomes expected-144 "not scaled at 144 dpi"
probe close
wait "$gui_pid" || fail "exit status $? at 144 dpi"
gui_pid=
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f > reg.out 2>&1
rm -f big
