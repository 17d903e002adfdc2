# Run by CPack on the staged files before they are packed: removes the
# compiler's .comment and the plain .note sections, which a plain strip
# keeps and which the binaries do not need (the build-id note stays).
# Each package's files are staged in a folder of its own when there are
# several; the Python module is stripped like the programs.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER programs INCLUDE REGEX "/usr/bin/[^/]+$|\\.so$")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not strip ${program}")
  endif()
endforeach()

# CPack leaves static libraries as built (a full strip would take the symbols
# they are linked by): their debugging information and the same sections go,
# as Debian strips a -dev package's archives, and the archive records no
# times or owners.
file(GLOB_RECURSE archives "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.a")
foreach(archive IN LISTS archives)
  execute_process(COMMAND strip --strip-debug --remove-section=.comment --remove-section=.note
                          --enable-deterministic-archives "${archive}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not strip ${archive}")
  endif()
endforeach()
