# Runs CPack's NSIS generator with makensis given the build's own NSIS folder, writing what CPack
# says to LOG; if it fails, shows what makensis said, which names a file that could not be signed.
# Usage: cmake -D cpack=CPACK -D config=CPACK_CONFIG -D output=DIR -D nsis_dir=DIR -D log=LOG
#              -P cpack-setup.cmake
set(ENV{NSISDIR} ${nsis_dir})
execute_process(COMMAND ${cpack} --config ${config} -B ${output}
                OUTPUT_FILE ${log} ERROR_FILE ${log}.errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(GLOB makensis_logs ${output}/_CPack_Packages/*/NSIS/NSISOutput.log)
    set(said "")
    foreach(makensis_log IN LISTS makensis_logs)
        file(STRINGS ${makensis_log} lines REGEX "authenticode:|[Ee]rror|[Aa]bort")
        list(JOIN lines "\n" lines)
        string(APPEND said "${lines}\n")
    endforeach()
    file(READ ${log}.errors errors)
    message(FATAL_ERROR "CPack failed: ${errors}${said}")
endif()
