# Run by cmake --install for Windows after windows-runtime.cmake: THIRD-PARTY-NOTICES.txt in the
# folder names, for each library shipped there, the Debian source package and version it was built
# from, then gives Debian's record of each package's copyright and licences (for Qt, the parts that
# cover the files its DLLs were compiled from, as the Qt build recorded them) and the full texts of
# the licences that those records name by their place on a Debian system. The same account of the
# libraries goes to shipped.tsv in the build folder, a line each (name, source package, version,
# and for Qt's the file listing their sources, else -), from which scripts/sbom.py writes the
# downloads' bills of materials.
# In: keyfold_shipped (NAME=PATH), keyfold_qt_prefix, keyfold_version, keyfold_build_dir.
# (An install script runs without the project's policies: no IN_LIST here.)
set(qt_notices ${keyfold_qt_prefix}/share/keyfold-notices)
file(STRINGS ${qt_notices}/source qt_package)
string(MAKE_C_IDENTIFIER "${qt_package}" qt_id)
set(packages)
set(qt_sources)
set(shipped)
foreach(entry IN LISTS keyfold_shipped)
    string(REGEX MATCH "^([^=]+)=(.+)$" _ ${entry})
    set(name ${CMAKE_MATCH_1})
    set(path ${CMAKE_MATCH_2})
    string(FIND ${path} ${keyfold_qt_prefix}/ in_qt)
    if(in_qt EQUAL 0)
        set(package ${qt_package})
        set(id ${qt_id})
        get_filename_component(dll ${path} NAME)
        set(sources_file ${qt_notices}/${dll}.sources)
        file(STRINGS ${sources_file} sources)
        list(APPEND qt_sources ${sources})
    else()
        # The Debian package that installed the library, and its source package.
        execute_process(COMMAND dpkg-query -S ${path} OUTPUT_VARIABLE owner
                        COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX REPLACE "^([^:]+).*" "\\1" binary "${owner}")
        execute_process(COMMAND dpkg-query -W "-f=\${source:Package} \${source:Version}" ${binary}
                        OUTPUT_VARIABLE package COMMAND_ERROR_IS_FATAL ANY)
        string(MAKE_C_IDENTIFIER "${package}" id)
        set(copyright_${id} /usr/share/doc/${binary}/copyright)
        set(sources_file -)
    endif()
    string(REPLACE " " "\t" source_and_version "${package}")
    string(APPEND shipped "${name}\t${source_and_version}\t${sources_file}\n")
    list(FIND packages "${package}" known)
    if(known EQUAL -1)
        list(APPEND packages ${package})
    endif()
    list(APPEND files_${id} ${name})
endforeach()

# Files of each installation's own, as the zip's and the setup program's run at once.
string(SHA1 installation ${CMAKE_INSTALL_PREFIX})
if(qt_sources)
    list(REMOVE_DUPLICATES qt_sources)
    list(SORT qt_sources)
    list(JOIN qt_sources "\n" qt_sources)
    set(qt_sources_file ${keyfold_build_dir}/qt-sources-${installation}.txt)
    file(WRITE ${qt_sources_file} "${qt_sources}\n")
    execute_process(COMMAND awk -v files=${qt_sources_file}
                            -f ${CMAKE_CURRENT_LIST_DIR}/copyright-for-files.awk
                            ${qt_notices}/copyright
                    OUTPUT_VARIABLE record_${qt_id} COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE ${qt_sources_file})
endif()

set(text "Keyfold ${keyfold_version} for Windows: third-party notices

Keyfold's own licence is in LICENSE.txt. The libraries beside Keyfold.exe were built from these
Debian source packages, unchanged but for Debian's own patches; the exact source of each is that
package at that version, from the Debian archive (apt-get source NAME=VERSION) or from
snapshot.debian.org:

")
foreach(package IN LISTS packages)
    string(MAKE_C_IDENTIFIER "${package}" id)
    list(JOIN files_${id} " " files)
    string(APPEND text "${package}: ${files}\n")
endforeach()
foreach(package IN LISTS packages)
    string(MAKE_C_IDENTIFIER "${package}" id)
    if(NOT DEFINED record_${id})
        file(READ ${copyright_${id}} record_${id})
    endif()
    string(APPEND text "\n\n======== ${package}: copyright and licences ========\n\n"
           "${record_${id}}")
endforeach()

# The licence texts, which Debian's records name by their place on a Debian system; the LGPL is a
# set of permissions on top of the GPL, so the GPL's text goes with it.
string(REGEX MATCHALL "/usr/share/common-licenses/[A-Za-z0-9+_.-]*[A-Za-z0-9+_-]" licences
       "${text}")
list(FIND licences /usr/share/common-licenses/LGPL-3 lgpl)
if(NOT lgpl EQUAL -1)
    list(APPEND licences /usr/share/common-licenses/GPL-3)
endif()
list(REMOVE_DUPLICATES licences)
list(SORT licences)
foreach(licence IN LISTS licences)
    if(EXISTS ${licence})
        file(READ ${licence} licence_text)
        string(APPEND text "\n\n======== ${licence} ========\n\n${licence_text}")
    endif()
endforeach()

# Written aside and put in place whole: both installations give the same account.
file(WRITE ${keyfold_build_dir}/shipped-${installation}.tsv "${shipped}")
file(RENAME ${keyfold_build_dir}/shipped-${installation}.tsv ${keyfold_build_dir}/shipped.tsv)

# Windows' own line ends, for the editors there.
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${CMAKE_INSTALL_PREFIX}/THIRD-PARTY-NOTICES.txt "${text}")
file(CHMOD ${CMAKE_INSTALL_PREFIX}/THIRD-PARTY-NOTICES.txt
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
