#!/bin/sh
# Builds the Windows zip from a finished cross build, checks what it holds and
# runs the command line from it under Wine.
# Usage: check_zip.sh VERSION SOURCE_DIR BUILD_DIR SCRATCH_DIR WINE_RUN STATE_DIR
set -eu
version=$1 source=$2 build=$3 scratch=$4
shift 4
rm -rf "$scratch" && mkdir -p "$scratch"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$scratch" > "$scratch/cpack.log"
zip=$scratch/firma-${version}-win64.zip
grep -qF "build-windows/${zip##*/}" "$source/README.md" || { echo "the README does not name ${zip##*/}" >&2; exit 1; }
(cd "$scratch" && cmake -E tar xf "$zip")
for file in firma.exe firma-gui.exe LEEME.txt LICENCE.txt; do
    [ -f "$scratch/firma-${version}-win64/$file" ] || { echo "missing from the zip: $file" >&2; exit 1; }
done
# The Windows readme, as Notepad shows it: every line ended by CRLF.
readme=$scratch/firma-${version}-win64/LEEME.txt
for text in "$readme" "$scratch/firma-${version}-win64/LICENCE.txt"; do
    [ "$(tr -d -c '\r' < "$text" | wc -c)" = "$(wc -l < "$text")" ] || { echo "$text has lines without CRLF" >&2; exit 1; }
done
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || { echo "LEEME.txt has no UTF-8 byte-order mark" >&2; exit 1; }
[ -e "$scratch/firma-${version}-win64/firma-path.exe" ] && { echo "the installer's helper is in the zip" >&2; exit 1; }
signed=$(printf abc | "$@" "$scratch/firma-${version}-win64/firma.exe" 2> "$scratch/wine.err")
[ "$signed" = "0000555  -" ] || { echo "zipped firma.exe printed: $signed" >&2; exit 1; }
echo "zip ok: $zip"
