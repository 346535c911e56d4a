# fontgen draws the bitmap font images fnm.dat (6x8 cells) and fsm.dat (4x6 cells) from the
# readable glyph sources in data/fonts and puts them beside the executables.
quorva_executable(fontgen ${CMAKE_SOURCE_DIR}/tools/fontgen/fontgen.cpp)

set(fontgen_outputs "")
foreach(font "fnm;6;8" "fsm;4;6")
  list(GET font 0 name)
  list(GET font 1 cell_width)
  list(GET font 2 cell_height)
  set(source ${CMAKE_SOURCE_DIR}/data/fonts/${name}.txt)
  set(output ${QUORVA_RUNTIME_DIR}/${name}.dat)
  add_custom_command(OUTPUT ${output}
    COMMAND fontgen ${source} ${output} ${cell_width} ${cell_height} 10
    DEPENDS fontgen ${source}
    COMMENT "Drawing ${name}.dat")
  list(APPEND fontgen_outputs ${output})
endforeach()
add_custom_target(quorva_font_files DEPENDS ${fontgen_outputs})
add_dependencies(quorva_runtime_files quorva_font_files)
