# Run by cpack once the folder is staged: the installer's File commands and the uninstaller's
# Delete and RMDir commands, in name order. CPack's own (File /r, and a list in the order the
# file system gave) follow the order in which the file system lists a folder, so the setup
# program's bytes would depend on the file system it was built on.
set(staged ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${staged} ${staged}/*)
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${staged} ${staged}/*)
set(folders ${entries})
list(REMOVE_ITEM folders ${files})
list(SORT files)
list(SORT folders)

set(install "")
set(remove_files "")
set(out_path "")
foreach(file IN LISTS files)
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" file "${file}")
    string(REPLACE "/" "\\" folder "${folder}")
    if(NOT folder STREQUAL out_path)
        set(target "$INSTDIR")
        if(folder)
            set(target "$INSTDIR\\${folder}")
        endif()
        string(APPEND install "  SetOutPath \"${target}\"\n")
        set(out_path "${folder}")
    endif()
    string(APPEND install "  File \"\${INST_DIR}\\${file}\"\n")
    string(APPEND remove_files "  Delete \"$INSTDIR\\${file}\"\n")
endforeach()
string(APPEND install "  SetOutPath \"$INSTDIR\"\n") # where the shortcuts start the program

# The deepest folders first, as a folder goes only once it is empty.
set(remove_folders "")
list(REVERSE folders)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" folder "${folder}")
    string(APPEND remove_folders "  RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()

set(CPACK_NSIS_FULL_INSTALL "${install}")
set(CPACK_NSIS_DELETE_FILES "${remove_files}")
set(CPACK_NSIS_DELETE_DIRECTORIES "${remove_folders}")
