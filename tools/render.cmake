# quorva-render: the offline renderer (events, song values, the main screen's picture, WAV
# through the FM synthesizer, and the General MIDI synthesizer and system MIDI out modes).
file(GLOB render_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/quorva_render.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/render_*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/wav_*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/screen_session.cpp)
# The General MIDI synthesizer and the system MIDI out need the real platform.
list(FILTER render_sources EXCLUDE REGEX ".*/render_soft_synth\\.cpp$")
quorva_executable(quorva-render ${render_sources})
target_link_libraries(quorva-render PRIVATE quorva_ui quorva_song quorva_synth quorva_ports quorva_platform_fake
  quorva_platform_core)
if(TARGET quorva_platform_real AND QUORVA_PLATFORM)
  target_sources(quorva-render PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/render_soft_synth.cpp)
  target_compile_definitions(quorva-render PRIVATE QUORVA_HAS_SOFT_SYNTH=1)
  target_link_libraries(quorva-render PRIVATE quorva_platform_real)
  # The song texts are drawn with the same TrueType font as the player's.
  target_compile_definitions(quorva-render PRIVATE QUORVA_RENDER_TTF=1)
endif()
add_dependencies(quorva-render quorva_runtime_files)
