# keyfold_render_icons(VAR SIZE...): the program's icon as SIZE.png in the build tree's icons
# folder, rendered at build time from the one drawing; the PNGs' paths go into VAR.
function(keyfold_render_icons var)
    set(dir ${CMAKE_BINARY_DIR}/icons)
    list(TRANSFORM ARGN PREPEND ${dir}/ OUTPUT_VARIABLE icons)
    list(TRANSFORM icons APPEND .png)
    add_custom_command(
        OUTPUT ${icons}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/render-icons.sh ${dir} ${ARGN}
        DEPENDS scripts/render-icons.sh app/icons/${KEYFOLD_APP_ID}.svg
                window/icons/key-16.xpm window/icons/key-32.xpm
        COMMENT "Rendering the program's icons")
    set(${var} ${icons} PARENT_SCOPE)
endfunction()
