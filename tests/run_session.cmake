# Runs one session: the command lines of tests/sessions/NAME.session, one after the
# other in one fresh working directory, and compares what they did with NAME.expected.
#   "$ ravix-cli ARGS..." (or "$ ravix-setup ARGS...") runs the program built here; any
#   other "$ PROGRAM ARGS..." runs as it is (cmake -E cat FILE shows a file).
#   "> TEXT" lines after a command are its standard input, one line each.
#   Lines starting with "#" and blank lines are skipped.
#   NAME.files beside the session is copied into the working directory first; NAME.setup
#   is then run there with /bin/sh (for files a folder cannot hold, such as deep ones).
# The transcript holds each command line, its standard output, its standard error
# (each line after "stderr: ") and its exit status; the working directory's path is
# left out of both, so that the transcript is the same wherever it runs.
#   -DCLI=ravix-cli  -DSETUP=ravix-setup (optional)  -DSESSION=NAME.session
get_filename_component(dir ${SESSION} DIRECTORY)
get_filename_component(name ${SESSION} NAME_WE)
set(expected_file ${dir}/${name}.expected)
string(RANDOM LENGTH 8 tag)
set(work /tmp/ravix-session-${name}-${tag})
set(input_file /tmp/ravix-session-${name}-${tag}.stdin)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
if(IS_DIRECTORY ${dir}/${name}.files)
  file(COPY ${dir}/${name}.files/ DESTINATION ${work})
endif()
if(EXISTS ${dir}/${name}.setup)
  execute_process(COMMAND /bin/sh ${dir}/${name}.setup WORKING_DIRECTORY ${work}
                  RESULT_VARIABLE setup_status ERROR_VARIABLE setup_errors TIMEOUT 60)
  if(NOT setup_status EQUAL 0)
    file(REMOVE_RECURSE ${work})
    message(FATAL_ERROR "${name}.setup failed (${setup_status}): ${setup_errors}")
  endif()
endif()

set(transcript "")
set(command_line "")
set(input "")

# Runs the command gathered so far and adds it to the transcript.
function(run_gathered)
  if(command_line STREQUAL "")
    return()
  endif()
  separate_arguments(words UNIX_COMMAND "${command_line}")
  list(GET words 0 program)
  list(REMOVE_AT words 0)
  if(program STREQUAL "ravix-cli")
    set(program ${CLI})
  elseif(program STREQUAL "ravix-setup")
    if(NOT SETUP)
      message(FATAL_ERROR "${name}: ravix-setup is not built here")
    endif()
    set(program ${SETUP})
  endif()
  file(WRITE ${input_file} "${input}")
  execute_process(COMMAND ${program} ${words} WORKING_DIRECTORY ${work} INPUT_FILE ${input_file}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 120)
  # Qt's word about the environment of the machine the test runs on.
  string(REGEX REPLACE "QStandardPaths: [^\n]*\n" "" err "${err}")
  string(REPLACE "${work}/" "" out "${out}")
  string(REPLACE "${work}/" "" err "${err}")
  string(REPLACE "${work}" "." err "${err}")
  set(text "${transcript}$ ${command_line}\n${out}")
  if(NOT err STREQUAL "")
    string(REGEX REPLACE "\n$" "" err "${err}")
    string(REPLACE "\n" "\nstderr: " err "${err}")
    string(APPEND text "stderr: ${err}\n")
  endif()
  string(APPEND text "exit ${status}\n")
  set(transcript "${text}" PARENT_SCOPE)
endfunction()

file(STRINGS ${SESSION} lines ENCODING UTF-8)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\$ (.*)$")
    run_gathered()
    set(command_line "${CMAKE_MATCH_1}")
    set(input "")
  elseif(line MATCHES "^> ?(.*)$")
    string(APPEND input "${CMAKE_MATCH_1}\n")
  elseif(NOT line MATCHES "^#" AND NOT line STREQUAL "")
    message(FATAL_ERROR "${name}.session: a line that is no \"$ COMMAND\", \"> INPUT\" or comment: ${line}")
  endif()
endforeach()
run_gathered()
file(REMOVE_RECURSE ${work})
file(REMOVE ${input_file})

if(NOT EXISTS ${expected_file})
  file(WRITE ${expected_file}.new "${transcript}")
  message(FATAL_ERROR "no ${expected_file}; the transcript was written to ${expected_file}.new")
endif()
file(READ ${expected_file} expected)
if(NOT transcript STREQUAL expected)
  file(WRITE ${expected_file}.new "${transcript}")
  execute_process(COMMAND diff -u ${expected_file} ${expected_file}.new)
  message(FATAL_ERROR "transcript differs from ${expected_file} (actual in ${expected_file}.new)")
endif()
