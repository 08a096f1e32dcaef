# The exit status of each task command, for commands that end in each way: done,
# done after a warning, refused, and refused by a memory that holds nothing. Only the
# statuses are checked: what the boxes say may be reworded without changing them.
#   -DCLI=ravix-cli  -DWORK_DIR=DIR (made empty first)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
# A controller whose programming interface reads as erased: a warning, then on.
file(WRITE ${WORK_DIR}/erased.sim "ravix-sim-state 1\nsignature FF FF FF\n")

# status|arguments (separated by blanks)
set(cases
    "0|--port COM1 read"
    "0|--port COM1 read --json"
    "0|--port COM1 info"
    "0|--port COM1 calibrate"
    "0|--port COM1 locks"
    "0|--port COM1 save saved.json"
    "0|--port COM1 write --set brake=hard"
    "0|--port COM1 --sim-state erased.sim info"
    "0|--port COM1 --sim-state erased.sim calibrate"
    "1|--port 0378 read"
    "0|--port 0378 info --sim-state erased.sim"
    "1|--port COM1 read --memory 2"
    "1|--port COM1 write --memory 2 --set brake=hard"
    "1|--port COM1 update --yes missing.upd")
set(wrong "")
foreach(case IN LISTS cases)
  string(REPLACE "|" " " parts "${case}")
  separate_arguments(parts UNIX_COMMAND "${parts}")
  list(GET parts 0 expected)
  list(REMOVE_AT parts 0)
  execute_process(COMMAND ${CLI} --simulate ${parts} WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status STREQUAL expected)
    string(REPLACE ";" " " shown "${parts}")
    string(APPEND wrong "ravix-cli --simulate ${shown}: exit ${status}, expected ${expected}\n${err}\n")
  endif()
endforeach()
if(wrong)
  message(FATAL_ERROR "${wrong}")
endif()
