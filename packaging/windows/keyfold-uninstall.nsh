; Before anything is removed: never while Keyfold runs from here. The installer also keeps the
; Start-menu folder under a key of the publisher's, which CPack's uninstaller removes, but not the
; publisher's key around it.
  Push $INSTDIR
  Call un.KeyfoldStopIfRunning
  DeleteRegKey SHCTX "Software\${KEYFOLD_VENDOR}\Keyfold"
  DeleteRegKey /ifempty SHCTX "Software\${KEYFOLD_VENDOR}"
