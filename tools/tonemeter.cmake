# quorva-tonemeter: loudness and clipping figures of a tone bank, rendered by the real FM
# synthesizer; it renders song files with quorva-render's own code.
file(GLOB tonemeter_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tonemeter/*.cpp)
quorva_executable(quorva-tonemeter ${tonemeter_sources}
  ${CMAKE_CURRENT_SOURCE_DIR}/render_wav.cpp ${CMAKE_CURRENT_SOURCE_DIR}/render_wav_options.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/render_session.cpp ${CMAKE_CURRENT_SOURCE_DIR}/wav_writer.cpp)
target_link_libraries(quorva-tonemeter PRIVATE quorva_synth quorva_song quorva_ports quorva_platform_fake quorva_platform_core)
add_dependencies(quorva-tonemeter quorva_runtime_files)

