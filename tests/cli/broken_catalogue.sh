#!/bin/sh
# A translator's slip in a placeholder ({:d}, an extra {}, a lone {, {1}) is
# refused by the build, naming the entry; and a catalogue with such slips that
# reached firma anyway gives the English messages, never an abort.
# Usage: broken_catalogue.sh SOURCE_DIR SCRATCH_DIR FIRMA
set -eu
source=$1 scratch=$2 firma=$3
fail() {
    echo "broken catalogue: $1"
    exit 1
}
rm -rf "$scratch" && mkdir -p "$scratch/bin" "$scratch/share/locale/es/LC_MESSAGES" "$scratch/files"
catalogue=$source/po/es.po

# Replaces the translation of the one-line message $1 with $2.
break_entry() {
    awk -v id="msgid \"$1\"" -v to="msgstr \"$2\"" '
        found && /^msgstr / { print to; found = 0; next }
        { found = found || $0 == id; print }' "$3" > "$3.new" && mv "$3.new" "$3"
}

cmake -DCATALOGUE="$catalogue" -P "$source/cmake/check_placeholders.cmake" ||
    fail "the real catalogue is refused"
broken=$scratch/es.po
cp "$catalogue" "$broken"
for slip in '{:d}' '{} {}' '{' '{1}'; do
    one=$scratch/one.po
    cp "$catalogue" "$one"
    break_entry "write error: {}" "error de escritura: $slip" "$one"
    ! cmp -s "$catalogue" "$one" || fail "no entry was changed for $slip"
    said=$(cmake -DCATALOGUE="$one" -P "$source/cmake/check_placeholders.cmake" 2>&1) && fail "$slip was accepted"
    echo "$said" | grep -q '"write error: {}"' || fail "$slip refused without naming the entry: $said"
done

# Every kind of message that fills in a value, each with a slip of its own.
break_entry "write error: {}" "error de escritura: {:d}" "$broken"
break_entry "invalid number of jobs: '{}'" "número de tareas no válido: '{}' {}" "$broken"
break_entry "Full documentation: {}\\\\n" "Documentación completa: {\\\\n" "$broken"
break_entry "{}: improperly formatted FIRMA checksum line" "{1}: línea mal formada" "$broken"
msgfmt -o "$scratch/share/locale/es/LC_MESSAGES/firma.mo" "$broken"
cp "$firma" "$scratch/bin/firma"  # finds its catalogues in ../share/locale
run() {
    status=0
    LANGUAGE= LC_ALL= LC_MESSAGES= LANG=es_ES.UTF-8 "$scratch/bin/firma" "$@" > "$scratch/out" 2> "$scratch/err" || status=$?
}
expect() {  # status, then text standard output or error must hold
    [ "$status" = "$1" ] || fail "status $status, not $1: $(cat "$scratch/err")"
    grep -qF "$2" "$scratch/out" "$scratch/err" || fail "no \"$2\" in: $(cat "$scratch/out" "$scratch/err")"
}
cd "$scratch/files"
printf abc > abc
run -j x abc
expect 1 "invalid number of jobs: 'x'"
run --help
expect 0 "Full documentation: "
run abc
expect 0 "0000555  abc"
if [ -w /dev/full ]; then
    status=0
    LANGUAGE= LANG=es_ES.UTF-8 "$scratch/bin/firma" abc > /dev/full 2> "$scratch/err" || status=$?
    expect 1 "write error: "
fi
printf '0000555  abc\nnot a line\n' > list
run -c -w list
expect 0 "list: 2: improperly formatted FIRMA checksum line"
grep -q 'abc: La firma coincide\|abc: OK' "$scratch/out" || fail "the good translations were lost: $(cat "$scratch/out")"
