# quorva-ctl, the command that talks to a running player through its control socket.
if(QUORVA_PLATFORM)
  quorva_executable(quorva-ctl ${CMAKE_CURRENT_LIST_DIR}/quorva_ctl.cpp)
  target_link_libraries(quorva-ctl PRIVATE quorva_app quorva_platform_core)
endif()
if(QUORVA_PLATFORM)
  # Beside the player (its link in PREFIX/bin is made with the player's, see app/).
  install(TARGETS quorva-ctl RUNTIME DESTINATION lib/quorva)
endif()
