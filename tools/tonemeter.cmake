# quorva-tonemeter: loudness, clipping and timbre figures of a tone bank, rendered by the real
# FM synthesizer and compared with FluidSynth playing the General MIDI SoundFont; it renders
# song files with quorva-render's own code.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TONEMETER_FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
find_package(Threads REQUIRED)
file(GLOB tonemeter_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tonemeter/*.cpp)
quorva_executable(quorva-tonemeter ${tonemeter_sources}
  ${CMAKE_CURRENT_SOURCE_DIR}/render_wav.cpp ${CMAKE_CURRENT_SOURCE_DIR}/render_wav_options.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/render_session.cpp ${CMAKE_CURRENT_SOURCE_DIR}/wav_writer.cpp)
target_link_libraries(quorva-tonemeter PRIVATE quorva_synth quorva_song quorva_ports quorva_platform_fake quorva_platform_core
  PkgConfig::TONEMETER_FLUIDSYNTH Threads::Threads)
add_dependencies(quorva-tonemeter quorva_runtime_files)


# The tone bank test compares the dense benchmark song with the reference, so it waits for
# the program that writes it (the tests are defined after this directory).
function(quorva_tonemeter_dense_song_dependency)
  if(TARGET tools_tests AND TARGET bench_dense_song)
    add_dependencies(tools_tests bench_dense_song)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL quorva_tonemeter_dense_song_dependency)
