# Runs one scenario script under ravix-cli in a fresh working directory and
# compares the transcript with the .expected file beside the script.
#   The first line may hold the command-line flags after "#!", e.g. "#! --simulate".
#   A folder NAME.files beside the script is copied into the working directory first.
#   A file NAME.setup beside the script is then run with /bin/sh in the working
#   directory, for what a folder cannot hold (links, pipes, very large files); such
#   scenarios need a POSIX system.
#   -DMODE=qt runs the script on the desktop program's widgets instead:
#   CLI is then ravix-setup, started as "ravix-setup FLAGS --script SCRIPT".
#   -DSIM_ADAPTER=MODEL runs it on that simulated adapter model (--sim-adapter): the
#   transcript must be the one of the built-in port, but for how often the status line
#   blinks during an update, which follows the port's speed.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(expected_file ${dir}/${name}.expected)
string(RANDOM LENGTH 8 tag)
set(work /tmp/ravix-scenario-${MODE}${name}-${tag})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
if(IS_DIRECTORY ${dir}/${name}.files)
  file(COPY ${dir}/${name}.files/ DESTINATION ${work})
endif()
if(EXISTS ${dir}/${name}.setup)
  execute_process(COMMAND /bin/sh ${dir}/${name}.setup
                  WORKING_DIRECTORY ${work}
                  RESULT_VARIABLE setup_status ERROR_VARIABLE setup_errors
                  TIMEOUT 60)
  if(NOT setup_status EQUAL 0)
    file(REMOVE_RECURSE ${work})
    message(FATAL_ERROR "${name}.setup failed (${setup_status}): ${setup_errors}")
  endif()
endif()
file(STRINGS ${SCRIPT} first_line LIMIT_COUNT 1)
set(flags)
if(first_line MATCHES "^#!(.*)$")
  separate_arguments(flags UNIX_COMMAND "${CMAKE_MATCH_1}")
endif()
set(variant "")
if(SIM_ADAPTER)
  list(APPEND flags --sim-adapter ${SIM_ADAPTER})
  set(variant ".${SIM_ADAPTER}")
endif()
if(MODE STREQUAL "qt")
  set(command ${CLI} ${flags} --script ${SCRIPT})
  set(new_file ${expected_file}${variant}.qt.new)
else()
  set(command ${CLI} ${flags} run ${SCRIPT})
  set(new_file ${expected_file}${variant}.new)
endif()
execute_process(COMMAND ${command}
                WORKING_DIRECTORY ${work}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status
                TIMEOUT 120)
file(REMOVE_RECURSE ${work})
set(actual "${actual}exit ${status}\n")
if(NOT EXISTS ${expected_file})
  file(WRITE ${new_file} "${actual}")
  message(FATAL_ERROR "no ${expected_file}; the transcript was written to ${new_file}")
endif()
file(READ ${expected_file} expected)
if(SIM_ADAPTER)
  foreach(text IN ITEMS expected actual)
    string(REGEX REPLACE "(set 1044 \"(Update laeuft|               )\"\n)+" "set 1044 (blinking)\n" ${text}
           "${${text}}")
  endforeach()
endif()
if(NOT actual STREQUAL expected)
  file(WRITE ${new_file} "${actual}")
  execute_process(COMMAND diff -u ${expected_file} ${new_file})
  message(FATAL_ERROR "transcript differs from ${expected_file} (actual in ${new_file}); stderr: ${errors}")
endif()
