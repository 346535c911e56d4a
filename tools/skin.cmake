# The skin image bmp.dat is painted at build time by skingen from its own drawing code.
file(GLOB skingen_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/skingen/*.cpp)
quorva_executable(quorva_skingen ${skingen_sources})
set_target_properties(quorva_skingen PROPERTIES OUTPUT_NAME skingen)

add_custom_command(OUTPUT ${QUORVA_RUNTIME_DIR}/bmp.dat
  COMMAND quorva_skingen ${QUORVA_RUNTIME_DIR}/bmp.dat
  DEPENDS quorva_skingen
  COMMENT "Painting the skin image bmp.dat")
add_custom_target(quorva_skin DEPENDS ${QUORVA_RUNTIME_DIR}/bmp.dat)
add_dependencies(quorva_runtime_files quorva_skin)
