# Checks the user's manual as the build made it: a PDF of several pages.
#   -DPDF=path  -DMIN_PAGES=N
if(NOT EXISTS ${PDF})
  message(FATAL_ERROR "${PDF} was not made")
endif()
file(READ ${PDF} head LIMIT 5 HEX)
if(NOT head STREQUAL "255044462d")  # "%PDF-"
  message(FATAL_ERROR "${PDF} is no PDF (it begins with the bytes ${head})")
endif()
# The page tree's root counts the pages.
file(STRINGS ${PDF} counts REGEX "/Count [0-9]+")
set(count 0)
foreach(line IN LISTS counts)
  string(REGEX MATCH "/Count ([0-9]+)" found "${line}")
  if(CMAKE_MATCH_1 GREATER count)
    set(count ${CMAKE_MATCH_1})
  endif()
endforeach()
if(count LESS MIN_PAGES)
  message(FATAL_ERROR "${PDF} has ${count} pages, fewer than ${MIN_PAGES}")
endif()
file(SIZE ${PDF} size)
message(STATUS "${PDF}: ${count} pages, ${size} bytes")
