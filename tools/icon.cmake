# The desktop icon, drawn at build time by icongen, at the two sizes the desktop entry uses.
file(GLOB icongen_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/icongen/*.cpp)
quorva_executable(quorva_icongen ${icongen_sources})
set_target_properties(quorva_icongen PROPERTIES OUTPUT_NAME icongen)
set(QUORVA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(icons "")
foreach(size 48 128)
  add_custom_command(OUTPUT ${QUORVA_ICON_DIR}/quorva-${size}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVA_ICON_DIR}
    COMMAND quorva_icongen ${size} ${QUORVA_ICON_DIR}/quorva-${size}.png
    DEPENDS quorva_icongen
    COMMENT "Drawing the ${size} pixel icon")
  list(APPEND icons ${QUORVA_ICON_DIR}/quorva-${size}.png)
endforeach()
add_custom_target(quorva_icons ALL DEPENDS ${icons})
# The window icon, compiled into the program (app/program_icon.h).
add_custom_command(OUTPUT ${QUORVA_ICON_DIR}/program_icon.cpp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVA_ICON_DIR}
  COMMAND quorva_icongen --cpp 64 ${QUORVA_ICON_DIR}/program_icon.cpp
  DEPENDS quorva_icongen
  COMMENT "Drawing the window icon")
add_library(quorva_program_icon STATIC ${QUORVA_ICON_DIR}/program_icon.cpp)
target_link_libraries(quorva_program_icon PRIVATE quorva_build_options)
