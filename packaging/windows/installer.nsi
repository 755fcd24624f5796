; The Windows installer: for the current user, no administrator rights, into
; %LOCALAPPDATA%\Programs\firma. Built by make_installer.cmake from CPack's
; staged files: makensis -DVERSION=V -DSTAGED=DIR -DHELPER=firma-path.exe
; -DICON=firma.ico -DOUTFILE=FILE -DRECORD_SELECTION=ARGUMENT installer.nsi
; (ARGUMENT: what firma-gui.exe takes as "record the items that follow")
; What it writes, and the uninstaller takes away again (nothing else):
;   the files below in $INSTDIR (files the user put there stay, and the folder with them)
;   the Start-menu shortcut "Firma"
;   HKCU\Software\Classes\*\shell\firma: "Obtener firma" on every file
;   HKCU\Software\Classes\Directory\shell\firma and Directory\Background\shell\firma:
;     "Guardar firmas…" on a folder and on the empty space inside one
;   HKCU\Software\Classes\firma.lista, and .firmas pointing to it: lists open
;     in the check window ("Comprobar firmas"), with the program's icon
;   the "Send to" shortcut "Firma (guardar firmas)": a selection, one list
;   HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\firma
;   $INSTDIR at the end of HKCU\Environment's Path (by firma-path.exe, which
;   reads and writes it whole: NSIS's own strings would cut a long PATH at 1,024)
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define KEY_VERB "Software\Classes\*\shell\firma"
!define KEY_FOLDER_VERB "Software\Classes\Directory\shell\firma"
!define KEY_INSIDE_FOLDER_VERB "Software\Classes\Directory\Background\shell\firma"
!define KEY_LIST_TYPE "Software\Classes\firma.lista"
!define KEY_LIST_EXTENSION "Software\Classes\.firmas"
!define SEND_TO "$SENDTO\Firma (guardar firmas).lnk"
!define KEY_UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\firma"

Name "Firma"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\firma"
ShowInstDetails show

; Modern UI, in the user's interface language: Spanish for any Spanish,
; English otherwise (NSIS picks by GetUserDefaultUILanguage, the installer and
; the uninstaller alike).
!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "SpanishInternational"

; The installer's own words, in each language.
LangString PathNotAdded ${LANG_ENGLISH} "The folder could not be added to your PATH: run firma.exe by its full path."
LangString PathNotAdded ${LANG_SPANISH} "No se pudo añadir la carpeta a su PATH: ejecute firma.exe con su ruta completa."
LangString PathNotAdded ${LANG_SPANISHINTERNATIONAL} "No se pudo añadir la carpeta a su PATH: ejecute firma.exe con su ruta completa."

; Adds the size of file $0, in bytes, to $1.
Function AddSize
    FileOpen $2 "$0" r
    FileSeek $2 0 END $3
    FileClose $2
    IntOp $1 $1 + $3
FunctionEnd

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${STAGED}\firma.exe"
    File "${STAGED}\firma-gui.exe"
    File "${HELPER}"
    File "${STAGED}\LEEME.txt"
    File "${STAGED}\LICENCE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\Firma.lnk" "$INSTDIR\firma-gui.exe" "" "$INSTDIR\firma-gui.exe" 0

    WriteRegStr HKCU "${KEY_VERB}" "" "Obtener firma"
    WriteRegStr HKCU "${KEY_VERB}" "Icon" "$INSTDIR\firma-gui.exe"
    WriteRegStr HKCU "${KEY_VERB}\command" "" '"$INSTDIR\firma-gui.exe" "%1"'
    ; A folder's signatures: from the folder, or from inside it (%V: the folder shown).
    WriteRegStr HKCU "${KEY_FOLDER_VERB}" "" "Guardar firmas…"
    WriteRegStr HKCU "${KEY_FOLDER_VERB}" "Icon" "$INSTDIR\firma-gui.exe"
    WriteRegStr HKCU "${KEY_FOLDER_VERB}\command" "" '"$INSTDIR\firma-gui.exe" "%1"'
    WriteRegStr HKCU "${KEY_INSIDE_FOLDER_VERB}" "" "Guardar firmas…"
    WriteRegStr HKCU "${KEY_INSIDE_FOLDER_VERB}" "Icon" "$INSTDIR\firma-gui.exe"
    WriteRegStr HKCU "${KEY_INSIDE_FOLDER_VERB}\command" "" '"$INSTDIR\firma-gui.exe" "%V"'
    ; A list opens in the check window: a double-click, or "Comprobar firmas".
    WriteRegStr HKCU "${KEY_LIST_TYPE}" "" "Lista de firmas"
    WriteRegStr HKCU "${KEY_LIST_TYPE}\DefaultIcon" "" "$INSTDIR\firma-gui.exe,0"
    WriteRegStr HKCU "${KEY_LIST_TYPE}\shell" "" "open"
    WriteRegStr HKCU "${KEY_LIST_TYPE}\shell\open" "" "Comprobar firmas"
    WriteRegStr HKCU "${KEY_LIST_TYPE}\shell\open\command" "" '"$INSTDIR\firma-gui.exe" "%1"'
    WriteRegStr HKCU "${KEY_LIST_EXTENSION}" "" "firma.lista"
    ; Every item of a selection sent to it reaches one firma-gui: one list.
    CreateShortcut "${SEND_TO}" "$INSTDIR\firma-gui.exe" "${RECORD_SELECTION}" "$INSTDIR\firma-gui.exe" 0
    ; Explorer shows the new icon and verbs at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    WriteRegStr HKCU "${KEY_UNINSTALL}" "DisplayName" "Firma"
    WriteRegStr HKCU "${KEY_UNINSTALL}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${KEY_UNINSTALL}" "Publisher" "Proyecto firma"
    WriteRegStr HKCU "${KEY_UNINSTALL}" "DisplayIcon" "$INSTDIR\firma-gui.exe"
    WriteRegStr HKCU "${KEY_UNINSTALL}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${KEY_UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${KEY_UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ; What this installer put in the folder, the uninstaller too, in KiB.
    StrCpy $1 0
    StrCpy $0 "$INSTDIR\firma.exe"
    Call AddSize
    StrCpy $0 "$INSTDIR\firma-gui.exe"
    Call AddSize
    StrCpy $0 "$INSTDIR\firma-path.exe"
    Call AddSize
    StrCpy $0 "$INSTDIR\LEEME.txt"
    Call AddSize
    StrCpy $0 "$INSTDIR\LICENCE.txt"
    Call AddSize
    StrCpy $0 "$INSTDIR\uninstall.exe"
    Call AddSize
    IntOp $1 $1 + 1023
    IntOp $1 $1 / 1024
    WriteRegDWORD HKCU "${KEY_UNINSTALL}" "EstimatedSize" $1
    WriteRegDWORD HKCU "${KEY_UNINSTALL}" "NoModify" 1
    WriteRegDWORD HKCU "${KEY_UNINSTALL}" "NoRepair" 1

    ExecWait '"$INSTDIR\firma-path.exe" add "$INSTDIR"' $0
    StrCmp $0 0 +2
        DetailPrint "$(PathNotAdded)"
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ExecWait '"$INSTDIR\firma-path.exe" remove "$INSTDIR"'
    Delete "$SMPROGRAMS\Firma.lnk"
    DeleteRegKey HKCU "${KEY_VERB}"
    DeleteRegKey HKCU "${KEY_FOLDER_VERB}"
    DeleteRegKey HKCU "${KEY_INSIDE_FOLDER_VERB}"
    DeleteRegKey HKCU "${KEY_LIST_TYPE}"
    ; .firmas only while it still points to us: another program may have taken it since.
    ReadRegStr $0 HKCU "${KEY_LIST_EXTENSION}" ""
    StrCmp $0 "firma.lista" 0 +2
        DeleteRegKey HKCU "${KEY_LIST_EXTENSION}"
    Delete "${SEND_TO}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    DeleteRegKey HKCU "${KEY_UNINSTALL}"
    Delete "$INSTDIR\firma.exe"
    Delete "$INSTDIR\firma-gui.exe"
    Delete "$INSTDIR\firma-path.exe"
    Delete "$INSTDIR\LEEME.txt"
    Delete "$INSTDIR\LICENCE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"  ; only when empty: what the user put there stays
SectionEnd
