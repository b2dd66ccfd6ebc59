# What is installed, and the .deb made of it: the program, its desktop entry, AppStream metadata,
# launcher icons, manual page, changelog and copyright.
include(GNUInstallDirs)

set(keyfold_icon_sizes 16 22 24 32 48 64 128 256)
keyfold_render_icons(keyfold_icons ${keyfold_icon_sizes})

# Compressed without a name or time stamp, so that the package does not depend on when it is built.
foreach(document docs/keyfold.1 packaging/changelog)
    get_filename_component(name ${document} NAME)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/${name}.gz
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/${document} > ${CMAKE_BINARY_DIR}/${name}.gz
        DEPENDS ${document})
    list(APPEND keyfold_documents ${CMAKE_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(install_files ALL DEPENDS ${keyfold_icons} ${keyfold_documents})

install(TARGETS keyfold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES app/${KEYFOLD_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/${KEYFOLD_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS keyfold_icon_sizes)
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KEYFOLD_APP_ID}.png)
endforeach()
install(FILES app/icons/${KEYFOLD_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/keyfold.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Packaging builds nothing, not the tests either: make package builds what is installed first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyfold)
set(CPACK_PACKAGE_CONTACT "The Keyfold developers <developers@keyfold.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop password generator")
# Lines within the 80 columns that Debian's tools allow.
set(CPACK_PACKAGE_DESCRIPTION "Keyfold makes random passwords of 4 to 10 characters, optionally with
extended characters, from the system's secure random generator, and copies
them to the clipboard marked as secret for clipboard managers.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Wayland's platform plugin, which no linked library names (X11's comes with libqt6gui6).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_STRIP_FILES ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-member-modes.cmake)
include(CPack)
