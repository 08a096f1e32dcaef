# Run by cpack on the staged files before it packs them: strips the programs as
# Debian's own tools do, without the symbols and without the compiler's notes
# (.comment, .note), which nobody running them needs.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --strip-all --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
