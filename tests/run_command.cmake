# Runs one command line and checks its exit status and output.
#   -DCOMMAND="prog;arg;..."  -DEXPECT_STATUS=N  [-DEXPECT_OUTPUT=REGEX] (standard output
#   and error together)  [-DWORK_DIR=DIR] (made empty first)  [-DEXPECT_FILE=PATH]
#   [-DENV="NAME=VALUE;..."]
if(WORK_DIR)
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
else()
  set(WORK_DIR ${CMAKE_CURRENT_BINARY_DIR})
endif()
set(command ${COMMAND})
if(ENV)
  set(command ${CMAKE_COMMAND} -E env ${ENV} ${COMMAND})
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(NOT status STREQUAL EXPECT_STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}; output:\n${all}")
endif()
if(EXPECT_OUTPUT AND NOT all MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match ${EXPECT_OUTPUT}:\n${all}")
endif()
if(EXPECT_FILE AND NOT EXISTS ${EXPECT_FILE})
  message(FATAL_ERROR "${EXPECT_FILE} was not made; output:\n${all}")
endif()
