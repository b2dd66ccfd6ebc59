# No build paths in what is built, so that two builds of one commit are the same. The build tree
# comes last, as it may lie inside the source tree and the last matching map wins.
check_cxx_compiler_flag("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=." KEYFOLD_HAS_FILE_PREFIX_MAP)
if(KEYFOLD_HAS_FILE_PREFIX_MAP)
    add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
                        "-ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
endif()

# Dates in the package are those of the last commit, unless the builder sets its own.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(KEYFOLD_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE KEYFOLD_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

# cpack reads its dates from the environment when it runs, wherever it is started from.
if(KEYFOLD_SOURCE_DATE_EPOCH)
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackKeyfold.cmake)
    file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
         "set(ENV{SOURCE_DATE_EPOCH} ${KEYFOLD_SOURCE_DATE_EPOCH})\n")
endif()
