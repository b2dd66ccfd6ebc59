# The Windows program: Keyfold.exe with its icon, version information and manifest, and the
# portable folder (Keyfold.exe, the Qt and MinGW libraries it imports and the plugins Qt loads for
# it), installed by cmake --install and zipped as Keyfold-VERSION-win64.zip.
set_target_properties(keyfold PROPERTIES OUTPUT_NAME Keyfold WIN32_EXECUTABLE ON)
# Neither a link time stamp nor a build path in the program, so that the bytes come from the
# sources alone.
target_link_options(keyfold PRIVATE "LINKER:--no-insert-timestamp")

keyfold_render_icons(keyfold_icon_pngs 16 24 32 48 64 256)
set(keyfold_ico ${CMAKE_BINARY_DIR}/Keyfold.ico)
add_custom_command(
    OUTPUT ${keyfold_ico}
    COMMAND convert ${keyfold_icon_pngs} ${keyfold_ico}
    DEPENDS ${keyfold_icon_pngs}
    COMMENT "Gathering the icons into Keyfold.ico")
set(keyfold_manifest ${CMAKE_BINARY_DIR}/Keyfold.manifest)
configure_file(app/keyfold.manifest.in ${keyfold_manifest} @ONLY)
configure_file(app/keyfold.rc.in ${CMAKE_BINARY_DIR}/keyfold.rc @ONLY)
target_sources(keyfold PRIVATE ${CMAKE_BINARY_DIR}/keyfold.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/keyfold.rc PROPERTIES
                            OBJECT_DEPENDS "${keyfold_ico};${keyfold_manifest}")

# The folder: the program, the plugins Qt loads for it on Windows (the platform and the Windows
# style) and, found from their imports, the libraries they need.
set(keyfold_folder Keyfold-${PROJECT_VERSION}-win64)
# Where the libraries come from: Qt, and MinGW's compiler runtime and threads, where the compiler
# finds them.
set(keyfold_library_dirs ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
foreach(library libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    get_filename_component(dir ${path} DIRECTORY)
    get_filename_component(dir ${dir} REALPATH)
    list(APPEND keyfold_library_dirs ${dir})
endforeach()
# Installing builds nothing: the zip and the setup program are made from the built tree, by a
# build that is still running.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS keyfold RUNTIME DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(CODE "
    set(keyfold_program \"\${CMAKE_INSTALL_PREFIX}/Keyfold.exe\")
    set(keyfold_plugins \"platforms=$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>\"
                        \"styles=$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>\")
    set(keyfold_library_dirs \"${keyfold_library_dirs}\")
    set(keyfold_objdump \"${CMAKE_OBJDUMP}\")
    set(keyfold_strip \"${CMAKE_STRIP}\")
    set(keyfold_build_dir \"${CMAKE_BINARY_DIR}\")
    set(ENV{SOURCE_DATE_EPOCH} \"${KEYFOLD_SOURCE_DATE_EPOCH}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake\")
")

# build/Keyfold-VERSION-win64.zip: the installed folder, its files in a fixed order and dated from
# the last commit (Info-ZIP's zip, as CMake's own archives record each file's access time).
set(keyfold_zip ${CMAKE_BINARY_DIR}/${keyfold_folder}.zip)
add_custom_command(
    OUTPUT ${keyfold_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/zip
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR}
            --prefix ${CMAKE_BINARY_DIR}/zip/${keyfold_folder} > ${CMAKE_BINARY_DIR}/zip.log
    COMMAND ${CMAKE_COMMAND} -D folder=${CMAKE_BINARY_DIR}/zip -D zip=${keyfold_zip}
            -D epoch=${KEYFOLD_SOURCE_DATE_EPOCH} -P ${CMAKE_CURRENT_LIST_DIR}/zip-folder.cmake
    DEPENDS keyfold ${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake
            ${CMAKE_CURRENT_LIST_DIR}/zip-folder.cmake
    COMMENT "Packing ${keyfold_folder}.zip")
add_custom_target(windows_zip ALL DEPENDS ${keyfold_zip})

# build/Keyfold-VERSION-win64-setup.exe: a 64-bit installer of the same folder, for all users of
# the machine, into Program Files, with a Start-menu shortcut and an entry among the installed
# apps.
set(CPACK_GENERATOR NSIS)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Keyfold)
set(CPACK_PACKAGE_VENDOR "The Keyfold developers")
set(CPACK_PACKAGE_FILE_NAME ${keyfold_folder}-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Keyfold)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Keyfold)
set(CPACK_PACKAGE_EXECUTABLES Keyfold Keyfold)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_PACKAGE_NAME Keyfold)
set(CPACK_NSIS_DISPLAY_NAME Keyfold)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME Keyfold.exe)
set(CPACK_NSIS_MUI_ICON ${keyfold_ico})
set(CPACK_NSIS_MUI_UNIICON ${keyfold_ico})
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# An x86-64 installer, which needs no 32-bit Windows layer; the setup program's own version
# information; no file dates in it, so that it depends on the files alone.
string(JOIN "\n  " CPACK_NSIS_DEFINES
    "Target amd64-unicode"
    "!include FileFunc.nsh"
    "SetDateSave off"
    "VIProductVersion ${PROJECT_VERSION}.0"
    "VIFileVersion ${PROJECT_VERSION}.0"
    "VIAddVersionKey /LANG=0 ProductName Keyfold"
    "VIAddVersionKey /LANG=0 ProductVersion ${PROJECT_VERSION}"
    "VIAddVersionKey /LANG=0 FileVersion ${PROJECT_VERSION}"
    "VIAddVersionKey /LANG=0 FileDescription \"Keyfold ${PROJECT_VERSION} setup\""
    "VIAddVersionKey /LANG=0 CompanyName \"${CPACK_PACKAGE_VENDOR}\""
    "VIAddVersionKey /LANG=0 LegalCopyright \"${KEYFOLD_COPYRIGHT}\"")
set(keyfold_uninstall_key "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Keyfold")
# The size that Windows shows for the installed app, in KiB.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  \${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2
  WriteRegDWORD SHCTX \"${keyfold_uninstall_key}\" \"EstimatedSize\" $0")
# Installing over an installed Keyfold, wherever it is, first removes that one in place, its
# uninstaller and folder too (CPack's own way asks first, and leaves them behind).
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "
  ReadRegStr $0 SHCTX \"${keyfold_uninstall_key}\" \"UninstallString\"
  ReadRegStr $1 SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\\Keyfold\" \"\"
  StrCmp $0 \"\" keyfold_replaced
  StrCmp $1 \"\" keyfold_replaced
    ExecWait '$0 /S _?=$1'
    Delete \"$1\\Uninstall.exe\"
    RMDir \"$1\"
  keyfold_replaced:")
# The installer also keeps the Start-menu folder under a key of the publisher's, which CPack's
# uninstaller removes, but not the publisher's key around it.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegKey SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\\Keyfold\"
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")
include(CPack)
set(keyfold_setup ${CMAKE_BINARY_DIR}/${keyfold_folder}-setup.exe)
add_custom_command(
    OUTPUT ${keyfold_setup}
    COMMAND cpack --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${CMAKE_BINARY_DIR}
            > ${CMAKE_BINARY_DIR}/cpack.log
    DEPENDS keyfold ${keyfold_ico} ${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake
            ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    COMMENT "Making ${keyfold_folder}-setup.exe")
add_custom_target(windows_setup ALL DEPENDS ${keyfold_setup})
