# Makes the Windows Installer package MSI of the installed folder FOLDER, for VERSION, with wixl
# (msitools), then signs it as the other downloads are (scripts/authenticode.sh). The same folder
# and version give the same bytes: wixl's random codes and its build time are replaced by codes
# derived from the version and the files, and by the date EPOCH (seconds since 1970).
# Usage: cmake -D folder=FOLDER -D msi=MSI -D version=VERSION -D epoch=EPOCH -D icon=ICO
#              -D vendor=VENDOR -D copyright=COPYRIGHT -D template=WXS_IN -D work=WORK_DIR
#              -D authenticode=SCRIPT -D signatures=DIR -P msi-folder.cmake

# Keyfold's for ever: by it, Windows Installer knows every version as the same product.
set(msi_upgrade_code 1458764D-C7A3-4A45-BB23-7D27F0BAA81C)

# A code of its own for each NAME, the same in every build.
function(msi_code variable name)
    string(UUID code NAMESPACE ${msi_upgrade_code} NAME "${name}" TYPE SHA1 UPPER)
    set(${variable} ${code} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(SORT files)

# A component for each file, its code named by the file's place, which stays the same from one
# version to the next; the folders below INSTALLDIR as they come.
set(msi_files "")
set(msi_component_refs "")
set(open_folder "")
set(contents "")
foreach(file IN LISTS files)
    get_filename_component(file_folder "${file}" DIRECTORY)
    # Qt's plug-ins lie one folder deep; a deeper one would need nested Directory elements.
    if(file_folder MATCHES "/")
        message(FATAL_ERROR "msi-folder: ${file} lies in a folder within a folder")
    endif()
    if(NOT file_folder STREQUAL open_folder)
        if(open_folder)
            string(APPEND msi_files "          </Directory>\n")
        endif()
        if(file_folder)
            string(MAKE_C_IDENTIFIER "folder_${file_folder}" folder_id)
            string(APPEND msi_files "          <Directory Id=\"${folder_id}\" Name=\"${file_folder}\">\n")
        endif()
        set(open_folder "${file_folder}")
    endif()
    string(MAKE_C_IDENTIFIER "file_${file}" id)
    msi_code(guid "component ${file}")
    # wixl takes no absolute paths: they are relative to the work folder, where it runs.
    file(RELATIVE_PATH source ${work} ${folder}/${file})
    string(APPEND msi_files
           "          <Component Id=\"${id}\" Guid=\"${guid}\" Win64=\"yes\">"
           "<File Id=\"${id}\" Source=\"${source}\" KeyPath=\"yes\"/></Component>\n")
    string(APPEND msi_component_refs "      <ComponentRef Id=\"${id}\"/>\n")
    file(SHA256 ${folder}/${file} hash)
    string(APPEND contents "${file} ${hash}\n")
endforeach()
if(open_folder)
    string(APPEND msi_files "          </Directory>\n")
endif()
string(REGEX REPLACE "\n$" "" msi_files "${msi_files}")
string(REGEX REPLACE "\n$" "" msi_component_refs "${msi_component_refs}")

# The entry's icon, where the description names it.
file(COPY_FILE ${icon} ${work}/keyfold.ico)
# A new product code for each version, which a major upgrade needs; a new package code for each
# package that differs.
msi_code(msi_product_code "product ${version}")
msi_code(msi_shortcut_guid "component Start-menu shortcut")
configure_file(${template} ${work}/keyfold.wxs @ONLY)
file(SHA256 ${work}/keyfold.wxs wxs_hash)
msi_code(package_code "package ${version} ${wxs_hash}\n${contents}")

# The cabinet dates each file by its local time.
set(ENV{TZ} UTC)
execute_process(COMMAND touch -d @${epoch} ${files} WORKING_DIRECTORY ${folder}
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${msi})
execute_process(COMMAND wixl --arch x64 --output ${msi} ${work}/keyfold.wxs
                WORKING_DIRECTORY ${work} RESULT_VARIABLE status ERROR_VARIABLE messages)
# wixl only warns of what it does not understand, which would then be missing from the package.
if(NOT status EQUAL 0 OR messages)
    message(FATAL_ERROR "wixl: ${messages}")
endif()

# The summary's package code and dates, which wixl draws at random and from the clock.
execute_process(COMMAND msiinfo export ${msi} _SummaryInformation
                OUTPUT_VARIABLE summary COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -d @${epoch} "+%Y/%m/%d %H:%M:%S"
                OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\n9\t[^\n]*" "\n9\t{${package_code}}" summary "${summary}")
string(REGEX REPLACE "\n(12|13)\t[^\n]*" "\n\\1\t${date}" summary "${summary}")
file(WRITE ${work}/_SummaryInformation.idt "${summary}")
execute_process(COMMAND msibuild ${msi} -i ${work}/_SummaryInformation.idt
                COMMAND_ERROR_IS_FATAL ANY)

get_filename_component(name ${msi} NAME)
execute_process(COMMAND ${authenticode} ${msi} ${name} ${signatures} COMMAND_ERROR_IS_FATAL ANY)
