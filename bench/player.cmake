# Looped playback on a private PulseAudio and a private PipeWire under load: dropouts counted in
# the monitor capture and CPU time against pacat.
# Run: build/<dir>/bench/quilbo_player_bench [seconds per run, default 60] [pulseaudio|pipewire]
#      (needs pulseaudio, pipewire, pipewire-pulse, wireplumber, dbus-daemon, pacat and parec)
if(TARGET quilbo_test_support)
  add_executable(quilbo_player_bench ${CMAKE_CURRENT_LIST_DIR}/player/PlayerBench.cpp)
  target_link_libraries(quilbo_player_bench PRIVATE quilbo_audio quilbo_synth quilbo_test_support)
endif()
