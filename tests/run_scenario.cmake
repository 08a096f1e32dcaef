# Runs one scenario script under ravix-cli in a fresh working directory and
# compares the transcript with the .expected file beside the script.
#   The first line may hold the command-line flags after "#!", e.g. "#! --simulate".
#   A folder NAME.files beside the script is copied into the working directory first.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(expected_file ${dir}/${name}.expected)
string(RANDOM LENGTH 8 tag)
set(work /tmp/ravix-scenario-${name}-${tag})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
if(IS_DIRECTORY ${dir}/${name}.files)
  file(COPY ${dir}/${name}.files/ DESTINATION ${work})
endif()
file(STRINGS ${SCRIPT} first_line LIMIT_COUNT 1)
set(flags)
if(first_line MATCHES "^#!(.*)$")
  separate_arguments(flags UNIX_COMMAND "${CMAKE_MATCH_1}")
endif()
execute_process(COMMAND ${CLI} ${flags} run ${SCRIPT}
                WORKING_DIRECTORY ${work}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status
                TIMEOUT 120)
file(REMOVE_RECURSE ${work})
set(actual "${actual}exit ${status}\n")
if(NOT EXISTS ${expected_file})
  file(WRITE ${expected_file}.new "${actual}")
  message(FATAL_ERROR "no ${expected_file}; the transcript was written to ${expected_file}.new")
endif()
file(READ ${expected_file} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${expected_file}.new "${actual}")
  execute_process(COMMAND diff -u ${expected_file} ${expected_file}.new)
  message(FATAL_ERROR "transcript differs from ${expected_file} (actual in ${expected_file}.new); stderr: ${errors}")
endif()
