# build/Keyfold-VERSION-win64-setup.exe: a 64-bit installer of the portable folder, for all users
# of the machine, into Program Files, with a Start-menu shortcut and an entry among the installed
# apps. CPack's NSIS script, with Keyfold's additions in packaging/windows/*.nsh.
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
string(JOIN "\n  " CPACK_NSIS_DEFINES
    "!define KEYFOLD_VERSION \"${PROJECT_VERSION}\""
    "!define KEYFOLD_VENDOR \"${CPACK_PACKAGE_VENDOR}\""
    "!define KEYFOLD_COPYRIGHT \"${KEYFOLD_COPYRIGHT}\""
    "!define KEYFOLD_AUTHENTICODE \"${keyfold_authenticode}\""
    "!define KEYFOLD_SIGNATURES \"${keyfold_signatures}\""
    "!addincludedir \"${CMAKE_SOURCE_DIR}/packaging/windows\""
    "!include keyfold.nsh")
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "!include keyfold-preinstall.nsh")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include keyfold-install.nsh")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include keyfold-uninstall.nsh")
# The lists of files to install and remove, in name order once the folder is staged.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/nsis-file-lists.cmake)
include(CPack)

# The NSIS plug-ins that the setup program and its uninstaller carry, and load at run time from a
# temporary folder, are program files like any other: signed copies of them, in an NSIS folder of
# the build's own (the system's, less its plug-ins), where makensis finds no others. A plug-in that
# a later script calls without being listed here then stops the build, rather than going unsigned.
# They are made again at every build, and replace the last ones only if they differ: whether they
# are signed depends on the key in the environment and the signatures in the source, which the
# build cannot see change, and a build before signing must leave no unsigned copies behind.
set(keyfold_nsis_plugins InstallOptions StartMenu System UserInfo)
find_path(keyfold_nsis_data Stubs/lzma-amd64-unicode PATHS /usr/share/nsis /usr/local/share/nsis
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(keyfold_nsis_dir ${CMAKE_BINARY_DIR}/nsis)
file(MAKE_DIRECTORY ${keyfold_nsis_dir}/Plugins/amd64-unicode ${CMAKE_BINARY_DIR}/nsis-plugins)
foreach(part Contrib Include Stubs)
    file(CREATE_LINK ${keyfold_nsis_data}/${part} ${keyfold_nsis_dir}/${part} SYMBOLIC)
endforeach()
set(keyfold_signed_plugins)
set(keyfold_plugin_commands)
foreach(plugin IN LISTS keyfold_nsis_plugins)
    set(signing ${CMAKE_BINARY_DIR}/nsis-plugins/${plugin}.dll)
    set(signed ${keyfold_nsis_dir}/Plugins/amd64-unicode/${plugin}.dll)
    list(APPEND keyfold_plugin_commands
         COMMAND ${CMAKE_COMMAND} -E copy ${keyfold_nsis_data}/Plugins/amd64-unicode/${plugin}.dll
                 ${signing}
         COMMAND ${keyfold_authenticode} ${signing} setup-plugins/${plugin}.dll
                 ${keyfold_signatures}
         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${signing} ${signed})
    list(APPEND keyfold_signed_plugins ${signed})
endforeach()
add_custom_target(windows_setup_plugins ${keyfold_plugin_commands}
                  BYPRODUCTS ${keyfold_signed_plugins}
                  COMMENT "Signing the setup program's plug-ins")

# Made and signed aside, and put in place only then: a setup program that failed to be signed is
# never taken for a finished one.
set(keyfold_setup ${CMAKE_BINARY_DIR}/${keyfold_folder}-setup.exe)
set(keyfold_unsigned_setup ${CMAKE_BINARY_DIR}/cpack/${keyfold_folder}-setup.exe)
file(GLOB keyfold_nsis_fragments ${CMAKE_SOURCE_DIR}/packaging/windows/*.nsh)
add_custom_command(
    OUTPUT ${keyfold_setup}
    COMMAND ${CMAKE_COMMAND} -D cpack=${CMAKE_CPACK_COMMAND}
            -D config=${CMAKE_BINARY_DIR}/CPackConfig.cmake -D output=${CMAKE_BINARY_DIR}/cpack
            -D nsis_dir=${keyfold_nsis_dir} -D log=${CMAKE_BINARY_DIR}/cpack.log
            -P ${CMAKE_CURRENT_LIST_DIR}/cpack-setup.cmake
    COMMAND ${keyfold_authenticode} ${keyfold_unsigned_setup} ${keyfold_folder}-setup.exe
            ${keyfold_signatures}
    COMMAND ${CMAKE_COMMAND} -E copy ${keyfold_unsigned_setup} ${keyfold_setup}
    DEPENDS keyfold ${keyfold_ico} ${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake
            ${CMAKE_CURRENT_LIST_DIR}/windows-notices.cmake
            ${CMAKE_CURRENT_LIST_DIR}/nsis-file-lists.cmake ${keyfold_nsis_fragments}
            ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${keyfold_authenticode}
            ${keyfold_signature_files} ${keyfold_signed_plugins}
            ${CMAKE_CURRENT_LIST_DIR}/cpack-setup.cmake
    VERBATIM
    COMMENT "Making ${keyfold_folder}-setup.exe")
add_custom_target(windows_setup ALL DEPENDS ${keyfold_setup})
add_dependencies(windows_setup windows_setup_plugins)
