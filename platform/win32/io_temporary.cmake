# Until the Windows platform library exists: the sound, MIDI and control pieces alone.
file(GLOB win32_io_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(quorva_platform_win32 STATIC ${win32_io_sources})
target_link_libraries(quorva_platform_win32 PUBLIC quorva_platform_core quorva_ports
  winmm dsound dxguid ole32 uuid)
