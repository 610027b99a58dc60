# Looped playback into a private null sink: underflows and CPU time against pacat.
# Run: build/<dir>/bench/quilbo_player_bench [seconds]   (needs pulseaudio and pacat)
if(TARGET quilbo_test_support)
  add_executable(quilbo_player_bench ${CMAKE_CURRENT_LIST_DIR}/player/PlayerBench.cpp)
  target_link_libraries(quilbo_player_bench PRIVATE quilbo_audio quilbo_test_support)
endif()
