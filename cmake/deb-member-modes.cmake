# Run by cpack once it has made the .deb. CPack (3.25 to 3.31 at least) gives each member of the
# package's ar archive (debian-binary, control.tar, data.tar) the mode of the file it wrote it
# from, which follows the builder's umask, so two builders got two packages; each member gets
# 100644 instead, as dpkg-deb writes them. Remove once CPack writes fixed modes.
set(mode_file ${CPACK_TOPLEVEL_DIRECTORY}/ar-member-mode)
file(WRITE ${mode_file} "100644  ")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    file(SIZE ${package} package_size)
    set(header 8) # after the archive's magic, "!<arch>\n"
    while(header LESS package_size)
        # Each member's header: name 16, date 12, owner 6, group 6, mode 8, size 10, magic 2.
        file(READ ${package} size OFFSET ${header} LIMIT 58)
        string(SUBSTRING "${size}" 48 10 size)
        string(STRIP "${size}" size)
        math(EXPR mode "${header} + 40")
        execute_process(COMMAND dd of=${package} bs=1 seek=${mode} count=8 conv=notrunc status=none
                        INPUT_FILE ${mode_file} COMMAND_ERROR_IS_FATAL ANY)
        math(EXPR header "${header} + 60 + ${size} + ${size} % 2") # data is padded to even
    endwhile()
endforeach()
file(REMOVE ${mode_file})
