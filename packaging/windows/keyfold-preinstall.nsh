; Before any file is put in place. Installing over an installed Keyfold, wherever it is, first
; removes that one in place, its uninstaller and folder too (CPack's own way asks first, and leaves
; them behind); neither while a Keyfold runs from there or from the folder chosen now.
  Push $INSTDIR
  Call KeyfoldStopIfRunning
  ReadRegStr $0 SHCTX "${KEYFOLD_UNINSTALL_KEY}" "UninstallString"
  ReadRegStr $1 SHCTX "Software\${KEYFOLD_VENDOR}\Keyfold" ""
  StrCmp $0 "" keyfold_replaced
  StrCmp $1 "" keyfold_replaced
    Push $1
    Call KeyfoldStopIfRunning
    ExecWait '$0 /S _?=$1'
    Delete "$1\Uninstall.exe"
    RMDir "$1"
  keyfold_replaced:
