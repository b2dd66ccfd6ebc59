# Zips every file under FOLDER into ZIP, in name order and dated EPOCH (seconds since 1970), with
# nothing of the machine in it (no owners, no other times), so that the archive depends on the
# files alone.
# Usage: cmake -D folder=FOLDER -D zip=ZIP -D epoch=EPOCH -P zip-folder.cmake
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(SORT files)
file(REMOVE ${zip})
set(ENV{TZ} UTC) # a zip's dates are local times
execute_process(COMMAND touch -d @${epoch} ${files} WORKING_DIRECTORY ${folder}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND zip -q -X -D ${zip} ${files} WORKING_DIRECTORY ${folder}
                COMMAND_ERROR_IS_FATAL ANY)
