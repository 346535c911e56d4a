# The target "uninstall": removes each file the last install's manifest (${MANIFEST}) lists,
# then, deepest first, each directory that installs created (${DIRECTORIES}) and that is now
# empty. DESTDIR applies as it did to the install.
#   cmake -DMANIFEST=build/install_manifest.txt -DDIRECTORIES=build/install_directories.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist (it is written by cmake --install)")
endif()
file(STRINGS "${MANIFEST}" files)
foreach(file IN LISTS files)
  set(path "$ENV{DESTDIR}${file}")
  if(IS_SYMLINK "${path}" OR EXISTS "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
  else()
    message(STATUS "Not there: ${path}")
  endif()
endforeach()

set(kept "")
if(EXISTS "${DIRECTORIES}")
  file(STRINGS "${DIRECTORIES}" directories)
  # A directory sorts before everything inside it, so descending order puts children first.
  list(SORT directories ORDER DESCENDING)
  foreach(directory IN LISTS directories)
    set(path "$ENV{DESTDIR}${directory}")
    if(NOT IS_DIRECTORY "${path}")
      continue()
    endif()
    # rmdir removes only an empty directory.
    execute_process(COMMAND rmdir -- "${path}" RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
      list(APPEND kept "${directory}")
    else()
      message(STATUS "Removing: ${path}/")
    endif()
  endforeach()
  list(JOIN kept "\n" text)
  file(WRITE "${DIRECTORIES}" "${text}\n")
endif()
