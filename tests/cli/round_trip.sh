#!/bin/sh
# A list written on one system checks on the other, both ways: names with
# spaces and non-ASCII letters, walked subfolders, CRLF lines, a missing file reported as on Linux.
# And both give the same reasons for the same failures.
# Usage: round_trip.sh SCRATCH_DIR NATIVE_BUILD FIRMA_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 native=$2 windows=$3 wine_run=$4 wine_state=$5
linux=$("$(dirname "$0")/../../scripts/program" "$native" firma)
exe() { LC_ALL=C.UTF-8 "$wine_run" "$wine_state" "$windows" "$@" < /dev/null; }
fail() {
    echo "round trip: $1"
    exit 1
}
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"
printf abc > 'año ñ.txt'; printf abc > 'with space'; printf '\377' > plain; mkdir sub; printf xyz > sub/inner

exe 'año ñ.txt' 'with space' plain missing > windows.list 2> windows.err && fail "firma.exe succeeded with a missing file"
grep -q '^firma: missing: No such file or directory$' windows.err || fail "firma.exe said: $(cat windows.err)"
checked=$("$linux" -c windows.list) || fail "the Linux firma did not check firma.exe's list: $checked"
[ "$checked" = "$(printf 'año ñ.txt: OK\nwith space: OK\nplain: OK')" ] || fail "the Linux firma said: $checked"

# A walked list names folders with '\' on Windows; Linux finds them with '/'.
mkdir sub/más && printf abc > sub/más/hondo
exe -r sub > windows_r.list
checked=$("$linux" -c windows_r.list) || fail "the Linux firma did not check firma.exe's -r list: $checked"
[ "$checked" = "$(printf '%s\n%s' 'sub\inner: OK' 'sub\más\hondo: OK')" ] || fail "the Linux firma said of a -r list: $checked"

"$linux" -r sub 'año ñ.txt' > linux.list
checked=$(exe -c linux.list 2>&1) || fail "firma.exe did not check the Linux list: $checked"
[ "$checked" = "$(printf 'sub/inner: OK\nsub/más/hondo: OK\naño ñ.txt: OK')" ] || fail "firma.exe said: $checked"

printf '0000555 *with space\r\n' > crlf.list
checked=$(exe -c crlf.list 2>&1) || fail "firma.exe did not check a CRLF list: $checked"
[ "$checked" = "with space: OK" ] || fail "firma.exe said of a CRLF list: $checked"

# The reasons come from the system, read as errno values on both: a folder
# given as a list, a list that is not there, a reader that has gone (more
# output than a pipe holds, into a pipe closed at once).
mkdir folder
: > empty
for i in $(seq 20000); do echo "0000000  empty"; done > long.list
for args in "-c folder" "-c missing.list" "-c long.list"; do
    # shellcheck disable=SC2086 # the arguments are words
    (trap '' PIPE; "$linux" $args 2> linux.said < /dev/null | true)
    # shellcheck disable=SC2086
    (trap '' PIPE; exe $args 2> windows.said | true)
    [ -s linux.said ] || fail "the Linux firma said nothing for $args"
    cmp -s linux.said windows.said || fail "for $args, Linux said $(cat linux.said) and Windows $(cat windows.said)"
done

# A link that loops, followed with -L: found by the folders' identities and
# reported as on Linux. (Wine shows a Linux symbolic link to a Windows program
# as a plain folder, so what -r does without -L cannot be seen here.)
mkdir -p lnk/a && printf abc > lnk/a/f && ln -s ../a lnk/a/loop
"$linux" -r -L lnk > /dev/null 2> linux.said && fail "the Linux firma -r -L went round a loop without a word"
exe -r -L lnk > /dev/null 2> windows.said && fail "firma.exe -r -L went round a loop without a word"
[ "$(tr / '\\' < linux.said)" = "$(cat windows.said)" ] || fail "of a loop, Linux said $(cat linux.said) and Windows $(cat windows.said)"
