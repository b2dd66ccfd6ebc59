# Run by cmake --install for Windows: puts the plugins that Qt loads for the program beside it in
# their folders, then every library that the program and the plugins import, found from their
# imports in the given folders (the system's own are left to Windows), and strips and signs them
# all. In: keyfold_program, keyfold_plugins (TYPE=PATH), keyfold_library_dirs, keyfold_objdump,
# keyfold_strip, keyfold_build_dir (for its own work; cpack's installation knows no build tree),
# keyfold_authenticode and keyfold_signatures (scripts/authenticode.sh and its folder).
# Out: keyfold_shipped, NAME=PATH for each library put in the folder (its name there, and the file
# it came from).
set(installed ${keyfold_program})
# As the program's, whatever the builder's umask.
set(library_permissions OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                        WORLD_EXECUTE)
set(plugins)
set(keyfold_shipped)
foreach(plugin IN LISTS keyfold_plugins)
    string(REGEX MATCH "^([^=]+)=(.+)$" _ ${plugin})
    file(INSTALL ${CMAKE_MATCH_2} DESTINATION ${CMAKE_INSTALL_PREFIX}/${CMAKE_MATCH_1}
         FILE_PERMISSIONS ${library_permissions})
    get_filename_component(name ${CMAKE_MATCH_2} NAME)
    list(APPEND plugins ${CMAKE_MATCH_2})
    list(APPEND installed ${CMAKE_INSTALL_PREFIX}/${CMAKE_MATCH_1}/${name})
    list(APPEND keyfold_shipped ${CMAKE_MATCH_1}/${name}=${CMAKE_MATCH_2})
endforeach()

# CMake looks a Windows library up by its name in lower case, which a case-sensitive file system
# does not find (Qt6Core.dll), and CMake 3.31 then reads it under the name it was imported by:
# the resolver is given a folder of links to every library under both names, and the links are
# followed back to the files. Remove once the CMake in use matches names without case.
# One folder of links for each installation, as the zip's and the setup program's run at once.
string(SHA1 installation ${CMAKE_INSTALL_PREFIX})
set(links ${keyfold_build_dir}/library-links-${installation})
file(REMOVE_RECURSE ${links})
file(MAKE_DIRECTORY ${links})
foreach(dir IN LISTS keyfold_library_dirs)
    file(GLOB libraries ${dir}/*.dll)
    foreach(library IN LISTS libraries)
        get_filename_component(name ${library} NAME)
        string(TOLOWER ${name} lower_case_name)
        foreach(link_name IN ITEMS ${name} ${lower_case_name})
            if(NOT EXISTS ${links}/${link_name})
                file(CREATE_LINK ${library} ${links}/${link_name} SYMBOLIC)
            endif()
        endforeach()
    endforeach()
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${keyfold_objdump})
file(GET_RUNTIME_DEPENDENCIES
     EXECUTABLES ${keyfold_program}
     LIBRARIES ${plugins}
     DIRECTORIES ${links}
     RESOLVED_DEPENDENCIES_VAR resolved
     UNRESOLVED_DEPENDENCIES_VAR system_libraries)
list(JOIN system_libraries " " system_libraries)
message(STATUS "From Windows: ${system_libraries}")
foreach(found IN LISTS resolved)
    file(REAL_PATH ${found} library)
    file(INSTALL ${library} DESTINATION ${CMAKE_INSTALL_PREFIX}
         FILE_PERMISSIONS ${library_permissions})
    get_filename_component(name ${library} NAME)
    list(APPEND installed ${CMAKE_INSTALL_PREFIX}/${name})
    list(APPEND keyfold_shipped ${name}=${library})
endforeach()
file(REMOVE_RECURSE ${links})

# strip writes the time into the header unless SOURCE_DATE_EPOCH says which. Each file is signed
# as it will be shipped, by its path in the folder.
foreach(file IN LISTS installed)
    execute_process(COMMAND ${keyfold_strip} --strip-unneeded ${file} COMMAND_ERROR_IS_FATAL ANY)
    file(RELATIVE_PATH name ${CMAKE_INSTALL_PREFIX} ${file})
    execute_process(COMMAND ${keyfold_authenticode} ${file} ${name} ${keyfold_signatures}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
