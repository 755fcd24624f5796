#!/bin/sh
# Lists made in PowerShell keep every name: firma.exe's output read by a
# stand-in that decodes pipes as Windows PowerShell does (in the console's code
# page unless a byte-order mark says otherwise) and writes `>` files as it does
# (UTF-16LE). Checked by firma.exe and by the Linux firma, for cp850 and cp437,
# for wildcards and -r, with errors redirected too. Any other reader of a pipe
# gets the bytes alone, with no mark.
# Usage: powershell_round_trip.sh SCRATCH_DIR NATIVE_BUILD FIRMA_EXE POWERSHELL_EXE READER_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 native=$2 windows=$3 powershell=$4 reader=$5 wine_run=$6 wine_state=$7
linux=$("$(dirname "$0")/../../scripts/program" "$native" firma)
exe() { LC_ALL=C.UTF-8 "$wine_run" "$wine_state" "$@" < /dev/null; }
fail() {
    echo "powershell round trip: $1"
    exit 1
}
utf8() { iconv -f UTF-16LE -t UTF-8 "$1" | sed '1s/^\xef\xbb\xbf//; s/\r$//'; }

rm -rf "$scratch" && mkdir -p "$scratch/firmar/sub" && cd "$scratch"
for name in abc 'con espacio' año café canción pingüino 'precio€' '日本語' 'sonrisa😀'; do
    printf '%s' "$name" > "firmar/$name.txt"
done
printf abc > 'firmar/sub/ñandú.txt'
count=$(find firmar -type f | wc -l)

for code_page in 850 437; do
    for operands in 'firmar\*.txt firmar\sub\*.txt' '-r firmar'; do
        # shellcheck disable=SC2086 # the operands are words
        exe "$powershell" "$code_page" lista.txt errores.txt "$windows" $operands 'faltaño.txt' &&
            fail "a missing file did not fail ($code_page, $operands)"
        [ "$(head -c 2 lista.txt | od -An -tx1 | tr -d ' ')" = fffe ] || fail "the stand-in wrote no UTF-16 list"
        for checker in windows linux; do
            if [ $checker = windows ]; then said=$(exe "$windows" -c lista.txt 2>&1) || true
            else said=$("$linux" -c lista.txt 2>&1) || true; fi
            [ "$(printf '%s\n' "$said" | grep -c ': OK$')" = "$count" ] ||
                fail "$checker firma checking PowerShell's list ($code_page, $operands) said: $said"
            [ "$(printf '%s\n' "$said" | grep -c -v ': OK$')" = 0 ] ||
                fail "$checker firma checking PowerShell's list ($code_page, $operands) said: $said"
        done
        [ "$(utf8 errores.txt)" = "firma: faltaño.txt: No such file or directory" ] ||
            fail "PowerShell's errors ($code_page) read: $(utf8 errores.txt)"
    done
done

# Readers that keep the bytes (cmd, Git Bash, Python) get UTF-8 with no mark,
# the same bytes as a file firma.exe writes itself.
exe "$reader" bytes piped.txt piped.err "$windows" 'firmar\*.txt' || fail "firma.exe failed into a plain pipe"
exe "$windows" 'firmar\*.txt' > direct.txt || fail "firma.exe failed into a file"
cmp -s piped.txt direct.txt || fail "a plain pipe got other bytes than a file: $(od -c piped.txt | head -3)"
[ "$(head -c 3 piped.txt | od -An -tx1 | tr -d ' ')" != efbbbf ] || fail "a plain pipe got a byte-order mark"
[ ! -s piped.err ] || fail "firma.exe wrote to a plain pipe's error stream: $(cat piped.err)"

# PowerShell's > makes its file before it starts the program: a list of the
# folder the list is made in never holds the list.
exe "$powershell" 850 'firmar\lista.txt' errores.txt "$windows" 'firmar\*.txt' || fail "a list in its own folder failed: $(utf8 errores.txt)"
! utf8 'firmar/lista.txt' | grep -q 'lista\.txt' || fail "the list holds itself: $(utf8 'firmar/lista.txt')"
[ "$(utf8 'firmar/lista.txt' | wc -l)" = "$((count - 1))" ] || fail "the list lost files: $(utf8 'firmar/lista.txt')"
