# quorva-render: the offline renderer (events, song values, and WAV through the FM synthesizer).
file(GLOB render_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/quorva_render.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/render_*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/wav_*.cpp)
quorva_executable(quorva-render ${render_sources})
target_link_libraries(quorva-render PRIVATE quorva_song quorva_synth quorva_ports quorva_platform_core)
add_dependencies(quorva-render quorva_runtime_files)
