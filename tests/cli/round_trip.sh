#!/bin/sh
# A list written on one system checks on the other, both ways: names with
# spaces and non-ASCII letters, CRLF lines, a missing file reported as on Linux.
# Usage: round_trip.sh SCRATCH_DIR NATIVE_BUILD FIRMA_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 native=$2 windows=$3
shift 3
linux=$("$(dirname "$0")/../../scripts/program" "$native" firma)
fail() {
    echo "round trip: $1"
    exit 1
}
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"
printf abc > 'año ñ.txt'; printf abc > 'with space'; printf '\377' > plain; mkdir sub; printf xyz > sub/inner

LC_ALL=C.UTF-8 "$@" "$windows" 'año ñ.txt' 'with space' plain missing > windows.list 2> windows.err < /dev/null &&
    fail "firma.exe succeeded with a missing file"
grep -q '^firma: missing: No such file or directory$' windows.err || fail "firma.exe said: $(cat windows.err)"
checked=$("$linux" -c windows.list) || fail "the Linux firma did not check firma.exe's list: $checked"
[ "$checked" = "$(printf 'año ñ.txt: OK\nwith space: OK\nplain: OK')" ] || fail "the Linux firma said: $checked"

"$linux" -r sub 'año ñ.txt' > linux.list
checked=$(LC_ALL=C.UTF-8 "$@" "$windows" -c linux.list 2>&1 < /dev/null) || fail "firma.exe did not check the Linux list: $checked"
[ "$checked" = "$(printf 'sub/inner: OK\naño ñ.txt: OK')" ] || fail "firma.exe said: $checked"

printf '0000555 *with space\r\n' > crlf.list
checked=$(LC_ALL=C.UTF-8 "$@" "$windows" -c crlf.list 2>&1 < /dev/null) || fail "firma.exe did not check a CRLF list: $checked"
[ "$checked" = "with space: OK" ] || fail "firma.exe said of a CRLF list: $checked"
