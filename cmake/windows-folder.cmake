# The portable folder, Keyfold-VERSION-win64: the program, the plugins Qt loads for it on Windows
# (the platform and the Windows style), the libraries they import and the notices of what those
# libraries are made of; installed by cmake --install and zipped as Keyfold-VERSION-win64.zip.
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
# The detached Authenticode signatures of this version's program files, where a signed release
# keeps them (scripts/authenticode.sh, docs/windows.md); what is built is rebuilt when they change.
set(keyfold_signatures ${CMAKE_SOURCE_DIR}/packaging/windows/signatures/${PROJECT_VERSION})
set(keyfold_authenticode ${CMAKE_SOURCE_DIR}/scripts/authenticode.sh)
file(GLOB_RECURSE keyfold_signature_files CONFIGURE_DEPENDS ${keyfold_signatures}/*.sig)
# Installing builds nothing: the zip and the setup program are made from the built tree, by a
# build that is still running.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# The Windows style, which Qt 6.7 and later call modern.
if(TARGET Qt6::QModernWindowsStylePlugin)
    set(keyfold_style_plugin Qt6::QModernWindowsStylePlugin)
else()
    set(keyfold_style_plugin Qt6::QWindowsVistaStylePlugin)
endif()
install(TARGETS keyfold RUNTIME DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(CODE "
    set(keyfold_program \"\${CMAKE_INSTALL_PREFIX}/Keyfold.exe\")
    set(keyfold_plugins \"platforms=$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>\"
                        \"styles=$<TARGET_FILE:${keyfold_style_plugin}>\")
    set(keyfold_library_dirs \"${keyfold_library_dirs}\")
    set(keyfold_qt_prefix \"${QT6_INSTALL_PREFIX}\")
    set(keyfold_version \"${PROJECT_VERSION}\")
    set(keyfold_objdump \"${CMAKE_OBJDUMP}\")
    set(keyfold_strip \"${CMAKE_STRIP}\")
    set(keyfold_build_dir \"${CMAKE_BINARY_DIR}\")
    set(keyfold_authenticode \"${keyfold_authenticode}\")
    set(keyfold_signatures \"${keyfold_signatures}\")
    set(ENV{SOURCE_DATE_EPOCH} \"${KEYFOLD_SOURCE_DATE_EPOCH}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/windows-notices.cmake\")
")

# build/Keyfold-VERSION-win64.zip: the installed folder, its files in a fixed order and dated from
# the sources (Info-ZIP's zip, as CMake's own archives record each file's access time).
set(keyfold_zip ${CMAKE_BINARY_DIR}/${keyfold_folder}.zip)
add_custom_command(
    OUTPUT ${keyfold_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/zip
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR}
            --prefix ${CMAKE_BINARY_DIR}/zip/${keyfold_folder} > ${CMAKE_BINARY_DIR}/zip.log
    COMMAND ${CMAKE_COMMAND} -D folder=${CMAKE_BINARY_DIR}/zip -D zip=${keyfold_zip}
            -D epoch=${KEYFOLD_SOURCE_DATE_EPOCH} -P ${CMAKE_CURRENT_LIST_DIR}/zip-folder.cmake
    DEPENDS keyfold ${CMAKE_CURRENT_LIST_DIR}/windows-runtime.cmake
            ${CMAKE_CURRENT_LIST_DIR}/windows-notices.cmake
            ${CMAKE_CURRENT_LIST_DIR}/copyright-for-files.awk
            ${CMAKE_CURRENT_LIST_DIR}/zip-folder.cmake ${keyfold_authenticode}
            ${keyfold_signature_files}
    COMMENT "Packing ${keyfold_folder}.zip")
add_custom_target(windows_zip ALL DEPENDS ${keyfold_zip})
