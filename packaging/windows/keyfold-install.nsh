; Once the files are in place: the size that Windows shows for the installed app, in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${KEYFOLD_UNINSTALL_KEY}" "EstimatedSize" $0
