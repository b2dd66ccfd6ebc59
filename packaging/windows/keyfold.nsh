; Keyfold's additions to CPack's NSIS installer, read before its sections. Defined by CPack:
; KEYFOLD_VERSION, KEYFOLD_VENDOR, KEYFOLD_COPYRIGHT, KEYFOLD_AUTHENTICODE, KEYFOLD_SIGNATURES.

; An x86-64 installer, which needs no 32-bit Windows layer; no file dates in it, so that it depends
; on the files alone; its own version information.
Target amd64-unicode
!include FileFunc.nsh
SetDateSave off
; The uninstaller that the installer writes is signed like every other program file; a failure
; stops makensis, which heeds the command's status only when told what it must be.
!uninstfinalize '"${KEYFOLD_AUTHENTICODE}" "%1" Uninstall.exe "${KEYFOLD_SIGNATURES}"' = 0
VIProductVersion ${KEYFOLD_VERSION}.0
VIFileVersion ${KEYFOLD_VERSION}.0
VIAddVersionKey /LANG=0 ProductName Keyfold
VIAddVersionKey /LANG=0 ProductVersion ${KEYFOLD_VERSION}
VIAddVersionKey /LANG=0 FileVersion ${KEYFOLD_VERSION}
VIAddVersionKey /LANG=0 FileDescription "Keyfold ${KEYFOLD_VERSION} setup"
VIAddVersionKey /LANG=0 CompanyName "${KEYFOLD_VENDOR}"
VIAddVersionKey /LANG=0 LegalCopyright "${KEYFOLD_COPYRIGHT}"

!define KEYFOLD_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyfold"

; Push FOLDER, Call [un.]KeyfoldStopIfRunning: while Keyfold.exe in FOLDER runs, its files can be
; neither replaced nor removed, so the user is asked to close it; a silent run, or Cancel, ends
; the installer or uninstaller with status 2 before it has changed anything. Windows refuses to
; open a running program's file for writing, which tells whether it runs, from any session.
!macro KeyfoldStopIfRunning un
Function ${un}KeyfoldStopIfRunning
  Exch $0
  Push $1
  check:
    IfFileExists "$0\Keyfold.exe" 0 done
    ClearErrors
    FileOpen $1 "$0\Keyfold.exe" a
    IfErrors 0 not_running
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Keyfold is running from $0. Close it, then choose Retry." /SD IDCANCEL IDRETRY check
    DetailPrint "Keyfold is running from $0: nothing was changed. Close it and try again."
    SetOutPath "$TEMP"
    RMDir "$INSTDIR" ; if the installer has only just made it (and made it the current folder)
    SetErrorLevel 2
    Quit
  not_running:
    FileClose $1
  done:
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro KeyfoldStopIfRunning ""
!insertmacro KeyfoldStopIfRunning "un."
