# Runs first in the install: adds to the file ${quorva_record} each directory of
# ${quorva_destinations} (relative to the prefix), and each of its parents inside the prefix,
# that does not exist yet, which is to say the directories this install creates. What
# earlier installs noted stays. Paths are written without DESTDIR, as in the install manifest.
string(REGEX REPLACE "(.)/+$" "\\1" prefix "${CMAKE_INSTALL_PREFIX}")
set(created "")
if(EXISTS "${quorva_record}")
  file(STRINGS "${quorva_record}" created)
endif()
foreach(destination IN LISTS quorva_destinations)
  set(directory "${prefix}/${destination}")
  while(NOT IS_DIRECTORY "$ENV{DESTDIR}${directory}" AND NOT directory STREQUAL prefix AND NOT directory STREQUAL "/")
    list(APPEND created "${directory}")
    get_filename_component(directory "${directory}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES created)
list(JOIN created "\n" text)
file(WRITE "${quorva_record}" "${text}\n")
