# No build paths in what is built, so that two builds of one commit are the same. The build tree
# comes last, as it may lie inside the source tree and the last matching map wins.
check_cxx_compiler_flag("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=." KEYFOLD_HAS_FILE_PREFIX_MAP)
if(KEYFOLD_HAS_FILE_PREFIX_MAP)
    add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
                        "-ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
endif()

# The date of what is built (in the packages, the zip, the setup program and the MSI): for a signed
# Windows release, the date its signing recorded, which its signatures need whatever history the
# sources come with (a tarball dates every file at the commit of the signatures, a shallow clone
# knows that commit alone); else the builder's SOURCE_DATE_EPOCH, else the one a release tarball
# records (scripts/source-tarball.sh), else the last commit's, else, in sources without their
# history, the newest source file's, build trees left out. The signatures of a Windows release are
# left out too: they are made from a build and committed after it, and must not change what they
# sign.
set(keyfold_signatures_dir packaging/windows/signatures)
set(keyfold_release_record ${CMAKE_SOURCE_DIR}/${keyfold_signatures_dir}/${PROJECT_VERSION}/record)
if(WIN32 AND EXISTS ${keyfold_release_record})
    file(STRINGS ${keyfold_release_record} KEYFOLD_SOURCE_DATE_EPOCH REGEX "^date [0-9]+$")
    string(REPLACE "date " "" KEYFOLD_SOURCE_DATE_EPOCH "${KEYFOLD_SOURCE_DATE_EPOCH}")
elseif(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(KEYFOLD_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${CMAKE_SOURCE_DIR}/source-date-epoch)
    file(STRINGS ${CMAKE_SOURCE_DIR}/source-date-epoch KEYFOLD_SOURCE_DATE_EPOCH REGEX "^[0-9]+$")
else()
    execute_process(COMMAND git log -1 --format=%ct -- . ":(exclude)${keyfold_signatures_dir}"
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE KEYFOLD_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT KEYFOLD_SOURCE_DATE_EPOCH)
    file(RELATIVE_PATH build_dir ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
    execute_process(COMMAND find . "(" -name .git -o -path "./build*" -o -path "./${build_dir}"
                            -o -path "./${keyfold_signatures_dir}" ")" -prune -o -type f
                            -printf "%Ts\n"
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE dates)
    string(REGEX MATCHALL "[0-9]+" dates "${dates}")
    list(SORT dates COMPARE NATURAL ORDER DESCENDING)
    list(GET dates 0 KEYFOLD_SOURCE_DATE_EPOCH)
endif()

# cpack reads its dates from the environment when it runs, wherever it is started from.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackKeyfold.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "set(ENV{SOURCE_DATE_EPOCH} ${KEYFOLD_SOURCE_DATE_EPOCH})\n")
# Kept for the record of a signed release (scripts/windows-release-record.sh).
file(WRITE ${CMAKE_BINARY_DIR}/source-date-epoch "${KEYFOLD_SOURCE_DATE_EPOCH}\n")

# Folders made by installing and packaging get the same modes whatever the builder's umask (files
# get theirs from the install rules).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
