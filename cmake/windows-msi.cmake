# build/Keyfold-VERSION-win64.msi: the installed folder as a Windows Installer package, per machine
# into Program Files, for administrators who deploy software with Intune, Group Policy or
# Configuration Manager (packaging/windows/keyfold.wxs.in, cmake/msi-folder.cmake).
set(keyfold_msi ${CMAKE_BINARY_DIR}/${keyfold_folder}.msi)
# Made from the zip's folder, installed, stripped and signed for it (windows-folder.cmake).
add_custom_command(
    OUTPUT ${keyfold_msi}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/msi
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/msi
    COMMAND ${CMAKE_COMMAND} -D folder=${CMAKE_BINARY_DIR}/zip/${keyfold_folder}
            -D msi=${keyfold_msi} -D version=${PROJECT_VERSION}
            -D epoch=${KEYFOLD_SOURCE_DATE_EPOCH} -D icon=${keyfold_ico}
            -D vendor=${CPACK_PACKAGE_VENDOR} -D copyright=${KEYFOLD_COPYRIGHT}
            -D template=${CMAKE_SOURCE_DIR}/packaging/windows/keyfold.wxs.in
            -D work=${CMAKE_BINARY_DIR}/msi -D authenticode=${keyfold_authenticode}
            -D signatures=${keyfold_signatures} -P ${CMAKE_CURRENT_LIST_DIR}/msi-folder.cmake
    DEPENDS ${keyfold_zip} ${keyfold_ico} ${CMAKE_CURRENT_LIST_DIR}/msi-folder.cmake
            ${CMAKE_SOURCE_DIR}/packaging/windows/keyfold.wxs.in ${keyfold_authenticode}
            ${keyfold_signature_files}
    COMMENT "Making ${keyfold_folder}.msi")
add_custom_target(windows_msi ALL DEPENDS ${keyfold_msi})
# The zip's own target makes the folder, the MSI's waits for it.
add_dependencies(windows_msi windows_zip)
