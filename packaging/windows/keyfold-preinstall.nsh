; Before any file is put in place. A Keyfold that the Windows Installer package installed is
; Windows Installer's to replace or remove, which no setup program can do behind its back: the
; installer ends with status 2, having changed nothing, and says how to remove it.
  ReadRegStr $0 HKLM "Software\Keyfold" "ProductCode"
  StrCmp $0 "" keyfold_no_package
    MessageBox MB_OK|MB_ICONSTOP "$(^Name) is installed by its Windows Installer package (MSI). Uninstall it first, from Apps or with msiexec /x $0, then run this setup program again." /SD IDOK
    DetailPrint "Keyfold is installed by its Windows Installer package: nothing was changed."
    SetErrorLevel 2
    Quit
  keyfold_no_package:
; Installing over a Keyfold that a setup program installed, wherever it is, first removes that one
; in place, its uninstaller and folder too (CPack's own way asks first, and leaves them behind);
; neither while a Keyfold runs from there or from the folder chosen now.
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
