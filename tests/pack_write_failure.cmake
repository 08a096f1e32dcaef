# ravix-cli pack on a disk that fills up: the file-size limit of the shell that starts
# it makes its writes fail as a full disk would. The update file that was there must
# stay byte for byte, and no partial file may be left beside it. Then, without the
# limit, the same command replaces it whole. POSIX only (a shell with ulimit).
#   cmake -DCLI=ravix-cli -DIMAGE=image.hex -P pack_write_failure.cmake
string(RANDOM LENGTH 8 tag)
set(work /tmp/ravix-pack-full-${tag})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
set(old "the update file that was here before\n")
file(WRITE ${work}/x1011_3011.upd "${old}")

# SIGXFSZ ignored, so that a write over the limit fails instead of ending the program.
execute_process(COMMAND /bin/sh -c "trap '' XFSZ; ulimit -f 2; exec \"$0\" pack --plain --versions 1011 3011 \"$1\" -o \"$2\""
                        ${CLI} ${IMAGE} ${work}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors TIMEOUT 60)
file(READ ${work}/x1011_3011.upd kept)
file(GLOB left RELATIVE ${work} ${work}/*)
if(NOT status EQUAL 1 OR NOT errors MATCHES "cannot write" OR NOT kept STREQUAL old OR NOT left STREQUAL "x1011_3011.upd")
  file(REMOVE_RECURSE ${work})
  message(FATAL_ERROR "a failed write: status ${status}, stderr '${errors}', files '${left}', old file kept: '${kept}'")
endif()

execute_process(COMMAND ${CLI} pack --plain --versions 1011 3011 ${IMAGE} -o ${work}
                RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 60)
file(SIZE ${work}/x1011_3011.upd size)
file(GLOB left RELATIVE ${work} ${work}/*)
file(REMOVE_RECURSE ${work})
# The image's 1088 bytes (1 KiB and a page), eleven characters a line.
if(NOT status EQUAL 0 OR NOT size EQUAL 11968 OR NOT left STREQUAL "x1011_3011.upd")
  message(FATAL_ERROR "the write without a limit: status ${status}, stderr '${errors}', size ${size}, files '${left}'")
endif()
