#!/bin/sh
# Drives the Windows list windows under Wine, in Spanish, as their user meets
# them: a folder recorded into the list the save dialog proposes; a week later
# one file changed, one deleted, one added and one renamed, which the check
# window says in words; the problems kept alone, a report saved, the new files
# added to the list once confirmed; and a selection recorded into one list.
# With FIRMA_WINDOW_SHOT=NAME.png (drive.sh's Form1 screenshot), it also saves
# screenshots NAME-record.png and NAME-check.png.
# Usage: lists.sh SCRATCH_DIR FIRMA_GUI_EXE PROBE_EXE WINE_RUN STATE_DIR
set -eu
scratch=$1 gui=$2 probe_exe=$3 wine_run=$4 state=$5
screenshot=${FIRMA_WINDOW_SHOT:+$(realpath -m "${FIRMA_WINDOW_SHOT%.png}")}
. "$(dirname "$0")/driving.sh"
# A window left open would take the keys of the test that runs next.
cleanup() {
    [ -n "${gui_pid:-}" ] && wine taskkill /f /im firma-gui.exe > /dev/null 2>&1
    return 0
}
trap cleanup EXIT
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"

start() {
    LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 "$wine_run" "$state" "$gui" "$@" > gui.out 2>&1 < /dev/null &
    gui_pid=$!
}
# Waits for the window or dialog titled exactly $1 and gives it the focus.
focus() {
    found=$(window_named "^$1\$") || fail "no window \"$1\": $(cat gui.out)"
    xdotool windowactivate --sync "$found"
}
# Accepts what the dialog titled $1 proposes, with Enter. A key that a Wine
# busy with other tests let go by (the dialog is still there) is pressed
# again, as a user would.
accept() {
    for tries in 1 2 3 4 5; do
        focus "$1"
        xdotool key Return
        for wait in $(seq 30); do
            xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1 || return 0
            sleep 0.1
        done
    done
    fail "the dialog \"$1\" did not take Enter"
}
shot() {
    [ -n "$screenshot" ] && import -window root "$screenshot-$1.png"
    return 0
}
closed() {
    probe close
    wait "$gui_pid" || fail "exit status $?"
    gui_pid=
}

folder="Entrega cliente"
mkdir -p "$folder/Fotos/Año 2026" "$folder/Contratos"
for i in 1 2 3 4 5 6; do printf "foto $i" > "$folder/Fotos/Año 2026/foto_$i.jpg"; done
printf contrato > "$folder/Contratos/contrato señal.pdf"
printf informe > "$folder/Informe técnico.odt"
printf notas > "$folder/notas.txt"
printf factura > "$folder/factura.txt"
printf presupuesto > "$folder/presupuesto.txt"
windows_folder="Z:$(pwd | tr / '\\')\\$folder"
list="$folder/$folder.firmas"

# Recorded into the list proposed inside the folder, named after it.
start "$windows_folder"
accept "Guardar firmas"
focus "Guardar firmas - $folder.firmas"
probe wait Status "La lista está guardada en $windows_folder\\$folder.firmas. Tiene 11 archivos." || fail "not recorded"
shot record
closed
[ "$(head -n 1 "$list")" = "# firma: whole folder" ] || fail "the list does not hold its folder whole"

# A week later.
printf "notas, cambiadas" > "$folder/notas.txt"
rm "$folder/factura.txt"
printf nuevo > "$folder/anexo.txt"
mv "$folder/Informe técnico.odt" "$folder/Informe técnico v2.odt"
rm "$folder/presupuesto.txt" && mkdir "$folder/presupuesto.txt"  # there, but no file to read
start "$windows_folder\\$folder.firmas"
focus "Comprobar firmas - $folder.firmas"
probe wait Verdict "Atención: 1 cambiado · 2 faltan · 2 nuevos · 1 no se pudo leer" || fail "not the verdict"
[ "$(probe rows | tr -d '\r')" = 13 ] || fail "$(probe rows) rows for 11 listed and 2 new files"
shot check
click Problems
for tries in $(seq 50); do [ "$(probe rows | tr -d '\r')" = 6 ] && break; sleep 0.1; done
[ "$(probe rows | tr -d '\r')" = 6 ] || fail "\"Solo problemas\" shows $(probe rows) rows"

# The report, kept where the list is; UTF-8 that every Notepad reads.
click Report
accept "Guardar informe…"
for tries in $(seq 100); do ls "$folder/$folder "*.txt > /dev/null 2>&1 && break; sleep 0.1; done
report=$(ls "$folder/$folder "*.txt 2> /dev/null | head -n 1)
[ -n "$report" ] || fail "no report saved"
[ "$(head -c 3 "$report" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the report has no byte-order mark"
grep -q "^Cambiado	notas.txt" "$report" || fail "the report lacks the changed file: $(cat "$report")"

# The new files join the list once confirmed; its own lines stay as they were.
recorded=$(cat "$list")
click Add
accept "Añadir los nuevos a la lista…"
probe wait Done "Se añadieron 2 archivos a la lista." || fail "the new files were not added"
closed
[ "$(head -c ${#recorded} "$list")" = "$recorded" ] || fail "the list's own lines changed"
tail -n 2 "$list" | grep -q '  anexo.txt' || fail "anexo.txt was not added: $(tail -n 2 "$list")"

# "Send to" with a folder and a file: one list beside them, of those alone,
# never in the place of the folder's own list, which stays.
whole=$(cat "$list")
list="$folder/$folder (selección).firmas"
start '*guardar' "$windows_folder\\Contratos" "$windows_folder\\anexo.txt"
accept "Guardar firmas"
probe wait Status "La lista está guardada en $windows_folder\\$folder (selección).firmas. Tiene 2 archivos." || fail "the selection was not recorded"
closed
[ "$(sed 's/^[^ ]* [^ ]* [^ ]*  //' "$list" | tr -d '\r' | sort)" = "$(printf '%s\n' 'Contratos\contrato señal.pdf' 'anexo.txt' | sort)" ] ||
    fail "the selection's list: $(cat "$list")"
[ "$(cat "$folder/$folder.firmas")" = "$whole" ] || fail "the folder's list changed"
