#!/bin/sh
# firma.exe -o killed while it reads: the list stays as it was and nothing is
# left beside it (the new file was marked to be deleted when firma ends).
# Usage: interrupted_output.sh SCRATCH_DIR FIRMA_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 windows=$2 wine_run=$3 wine_state=$4
fail() {
    echo "interrupted -o: $1"
    exit 1
}
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"
printf 'old\n' > lista.txt
# Standard input is a FIFO this script holds open: firma.exe waits on it.
mkfifo input
"$wine_run" "$wine_state" "$windows" -o lista.txt - < input 2> firma.err &
firma=$!
exec 3> input
for tries in $(seq 200); do
    ls lista.txt.firma-* > /dev/null 2>&1 && break
    sleep 0.1
done
ls lista.txt.firma-* > /dev/null 2>&1 || fail "firma.exe never began its new file: $(cat firma.err)"
kill -KILL "$firma"
wait "$firma" || true
exec 3>&-
# The Wine server closes what the process held, and the new file goes with it.
for tries in $(seq 100); do
    ls lista.txt.firma-* > /dev/null 2>&1 || break
    sleep 0.1
done
[ "$(cat lista.txt)" = old ] || fail "the list changed: $(cat lista.txt)"
[ "$(ls)" = "$(printf 'firma.err\ninput\nlista.txt')" ] || fail "left behind: $(ls)"
