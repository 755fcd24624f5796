#!/bin/sh
# The Windows installer under Wine, as a user runs it silently, in a Wine
# prefix of its own (it changes the user's registry and starts new sessions):
# what it installs and registers, the user's long PATH kept whole, a second
# install over the first, and an uninstall that leaves everything as it was.
# Usage: check_installer.sh VERSION BUILD_DIR SCRATCH_DIR PROBE_EXE DISPLAY_STATE_DIR
set -eu
version=$1 build=$2 scratch=$3 probe=$4 state=$5
rm -rf "$scratch" && mkdir -p "$scratch/prefix"
WINEPREFIX=$scratch/prefix WINEDEBUG=-all DISPLAY=$(cat "$state/display")
export WINEPREFIX WINEDEBUG DISPLAY
cleanup() {
    [ -n "${gui_pid:-}" ] && kill "$gui_pid" 2> /dev/null
    wineserver -k 2> /dev/null || true
}
trap cleanup EXIT
fail() {
    echo "installer: $1"
    exit 1
}
query() { wine reg query "$@" 2> /dev/null | tr -d '\r'; }
exists() { wine reg query "$1" > /dev/null 2>&1; }

cpack -G External --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$scratch/cpack.log")"
installer=$scratch/out/firma-$version-win64.exe
wineboot --init > "$scratch/wineboot.log" 2>&1
local_data=$(wine cmd /c echo '%LOCALAPPDATA%' 2> /dev/null | tr -d '\r')
folder="$local_data\\Programs\\firma"
unix_folder=$(winepath -u "$folder" 2> /dev/null)
shortcut=$(winepath -u "$(wine cmd /c echo '%APPDATA%' 2> /dev/null | tr -d '\r')")"/Microsoft/Windows/Start Menu/Programs/Firma.lnk"

install() {
    wine "$installer" /S > "$scratch/install.log" 2>&1 || fail "install: status $?"
}
set_path() {
    wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$1" /f > /dev/null 2>&1
}
path_is() {  # the user's Path, exactly, and its type
    [ "$(query 'HKCU\Environment' /v Path)" = "$(printf '\nHKEY_CURRENT_USER\\Environment\n    Path    REG_EXPAND_SZ    %s\n' "$1")" ]
}

# Installed: files, shortcut, uninstall entry, the verb; a new session finds
# firma through the PATH, and the verb's command signs a file.
set_path '%USERPROFILE%\bin'
install
for file in firma.exe firma-gui.exe firma-path.exe LEEME.txt LICENCE.txt uninstall.exe; do
    [ -f "$unix_folder/$file" ] || fail "not installed: $folder\\$file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\firma' /v DisplayVersion |
    grep -q "REG_SZ    $version$" || fail "no DisplayVersion $version"
# Apps & features shows the size of every file installed, in KiB.
bytes=$(cat "$unix_folder"/firma.exe "$unix_folder"/firma-gui.exe "$unix_folder"/firma-path.exe \
            "$unix_folder"/LEEME.txt "$unix_folder"/LICENCE.txt "$unix_folder"/uninstall.exe | wc -c)
estimated=$(query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\firma' /v EstimatedSize |
            sed -n 's/.*REG_DWORD    //p')
[ "$((estimated))" = "$(((bytes + 1023) / 1024))" ] || fail "EstimatedSize $estimated KiB for $bytes bytes installed"
command=$(query 'HKCU\Software\Classes\*\shell\firma\command' /ve | sed -n 's/.*REG_SZ    //p')
[ "$command" = "\"$folder\\firma-gui.exe\" \"%1\"" ] || fail "the verb runs: $command"
query 'HKCU\Software\Classes\*\shell\firma' /ve | grep -q 'REG_SZ    Obtener firma$' || fail "the verb is not named Obtener firma"
path_is "%USERPROFILE%\\bin;$folder" || fail "PATH after install: $(query 'HKCU\Environment' /v Path)"
wineserver -k 2> /dev/null || true
found=$(wine cmd /c 'cd /d C:\ && firma --version' 2> /dev/null | head -n 1 | tr -d '\r')
[ "$found" = "firma $version" ] || fail "firma not found through the PATH in a new session: $found"
printf abc > "$scratch/abc.txt"
gui=$(printf '%s' "$command" | sed 's/^"\([^"]*\)".*/\1/')
wine "$gui" "$(winepath -w "$scratch/abc.txt" 2> /dev/null)" > "$scratch/gui.log" 2>&1 & gui_pid=$!
for tries in $(seq 100); do  # until the window is up
    wine "$probe" state > /dev/null 2>&1 && break
    sleep 0.2
done
wine "$probe" wait TextSign 0000555 2> "$scratch/probe.err" || fail "the verb's command showed no signature: $(cat "$scratch/probe.err")"
wine "$probe" close
wait "$gui_pid" || true
gui_pid=

# A folder's verbs, "Send to" and the list's type: each runs firma-gui.exe
# with what Explorer passes. Run as the registry says, in Spanish, the
# folder's verb records the folder into the list its save dialog proposes,
# and the list's command checks it.
send_to=$(winepath -u "$(wine cmd /c echo '%APPDATA%' 2> /dev/null | tr -d '\r')")"/Microsoft/Windows/SendTo/Firma (guardar firmas).lnk"
verb_of() { query "HKCU\\Software\\Classes\\$1\\command" /ve | sed -n 's/.*REG_SZ    //p'; }
# A key's name as Explorer shows it; exported, as reg query prints in the
# console's code page, where "…" is lost.
named() {
    wine reg export "HKCU\\Software\\Classes\\$1" "$scratch/key.reg" /y > /dev/null 2>&1 &&
        iconv -f UTF-16 -t UTF-8 "$scratch/key.reg" | tr -d '\r' | grep -qxF "@=\"$2\""
}
for key in 'Directory\shell\firma' 'Directory\Background\shell\firma'; do
    named "$key" 'Guardar firmas…' || fail "no Guardar firmas… on $key"
done
[ "$(verb_of 'Directory\shell\firma')" = "\"$folder\\firma-gui.exe\" \"%1\"" ] || fail "the folder's verb runs: $(verb_of 'Directory\shell\firma')"
[ "$(verb_of 'Directory\Background\shell\firma')" = "\"$folder\\firma-gui.exe\" \"%V\"" ] ||
    fail "the verb inside a folder runs: $(verb_of 'Directory\Background\shell\firma')"
[ "$(verb_of 'firma.lista\shell\open')" = "\"$folder\\firma-gui.exe\" \"%1\"" ] || fail "a list opens with: $(verb_of 'firma.lista\shell\open')"
query 'HKCU\Software\Classes\firma.lista\shell\open' /ve | grep -q 'REG_SZ    Comprobar firmas$' || fail "a list's verb is not Comprobar firmas"
query 'HKCU\Software\Classes\.firmas' /ve | grep -q 'REG_SZ    firma.lista$' || fail ".firmas is not a list"
[ -f "$send_to" ] || fail "no Send to shortcut $send_to"
# Its argument says "record what follows" (Explorer itself, which appends the
# selection, does not run under Wine).
tr -d '\000' < "$send_to" | grep -qaF '*guardar' || fail "the Send to shortcut does not record a selection"
mkdir -p "$scratch/Entrega cliente/Año 2026"
printf abc > "$scratch/Entrega cliente/Año 2026/señal.txt"
printf xyz > "$scratch/Entrega cliente/b.txt"
windows_folder=$(winepath -w "$scratch/Entrega cliente" 2> /dev/null)
spanish() { LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 "$@"; }
window_up() {  # any of firma-gui's windows
    for tries in $(seq 150); do
        wine "$probe" rows > /dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}
spanish wine "$gui" "$windows_folder" > "$scratch/gui.log" 2>&1 & gui_pid=$!
for tries in $(seq 150); do
    dialog=$(xdotool search --onlyvisible --name '^Guardar firmas$' 2> /dev/null | head -n 1)
    [ -n "$dialog" ] && break
    sleep 0.2
done
[ -n "$dialog" ] || fail "the folder's verb asked nowhere to save the list"
# Enter takes what it proposes; pressed again if a busy Wine let it go by.
for tries in 1 2 3 4 5; do
    xdotool windowactivate --sync "$dialog" key Return 2> /dev/null || true
    for wait in $(seq 30); do
        xdotool search --onlyvisible --name '^Guardar firmas$' > /dev/null 2>&1 || break 2
        sleep 0.1
    done
done
window_up || fail "no record window"
wine "$probe" wait Status "La lista está guardada en $windows_folder\\Entrega cliente.firmas. Tiene 2 archivos." 2> "$scratch/probe.err" ||
    fail "the folder was not recorded: $(cat "$scratch/probe.err")"
wine "$probe" close
wait "$gui_pid" || true
spanish wine "$gui" "$windows_folder\\Entrega cliente.firmas" > "$scratch/gui.log" 2>&1 & gui_pid=$!
window_up || fail "no check window"
wine "$probe" wait Verdict "Todo correcto: los 2 archivos conservan su firma" 2> "$scratch/probe.err" ||
    fail "the list did not check: $(cat "$scratch/probe.err")"
wine "$probe" close
wait "$gui_pid" || true
gui_pid=

# A PATH longer than NSIS's strings (1,024 characters), with a variable kept
# unexpanded: installed over the first install, twice, it gains the folder once
# and nothing else changes; one uninstall entry.
long='%USERPROFILE%\bin'
i=0
while [ ${#long} -lt 5000 ]; do
    i=$((i + 1))
    long="$long;C:\\Tools\\tool-$i\\bin"
done
set_path "$long"
path_is "$long" || fail "the long PATH was not set up"
install
install
path_is "$long;$folder" || fail "long PATH after install: $(query 'HKCU\Environment' /v Path | cut -c1-300)..."
entries=$(query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' | grep -ci 'Uninstall\\firma$' || true)
[ "$entries" = 1 ] || fail "$entries uninstall entries"

# Uninstalled: nothing of ours left, what the user put in the folder kept.
printf mine > "$unix_folder/mine.txt"
wine "$unix_folder/uninstall.exe" /S > "$scratch/uninstall.log" 2>&1 || fail "uninstall: status $?"
for tries in $(seq 300); do  # the uninstaller runs from a copy of itself
    [ -e "$unix_folder/uninstall.exe" ] || [ -e "$unix_folder/firma.exe" ] || break
    sleep 0.1
done
[ "$(ls "$unix_folder")" = mine.txt ] || fail "left in the folder: $(ls "$unix_folder" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
for key in '*\shell\firma' 'Directory\shell\firma' 'Directory\Background\shell\firma' firma.lista .firmas; do
    exists "HKCU\\Software\\Classes\\$key" && fail "left in the registry: $key"
done
[ ! -e "$send_to" ] || fail "the Send to shortcut is left"
exists 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\firma' && fail "the uninstall entry is left"
path_is "$long" || fail "PATH not as before the install after uninstall"
# Shown in the user's interface language: Spanish for a Spanish one, English
# for any other (Wine takes it from LANG).
for case in 'es_ES.UTF-8 Instalación de Firma' 'es_MX.UTF-8 Instalación de Firma' 'C.UTF-8 Firma Setup'; do
    language=${case%% *} caption=${case#* }
    wineserver -k 2> /dev/null || true
    LANG=$language LC_ALL=$language wine "$installer" > "$scratch/shown.log" 2>&1 & shown_pid=$!
    found=
    for tries in $(seq 150); do  # NSIS ends some captions with a space
        titles=$(xdotool search --name . getwindowname %@ 2> /dev/null | sed 's/ *$//' | tr '\n' '|')
        case "|$titles" in *"|$caption|"*) found=yes && break ;; esac
        sleep 0.2
    done
    kill "$shown_pid" 2> /dev/null || true
    wineserver -k 2> /dev/null || true
    wait "$shown_pid" 2> /dev/null || true
    [ -n "$found" ] || fail "with LANG=$language, no window \"$caption\": $titles"
done
echo "installer ok: $(wc -c < "$installer") bytes"
