# Keyfold.exe: a GUI program with its icon, version information and manifest.
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
