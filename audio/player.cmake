# Wave output: the device interface, the PulseAudio back end and the player.
find_package(Threads REQUIRED)
add_library(quilbo_audio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WavePlayer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Fade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseConnection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseWaveOut.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseWaveOutDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PieceQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayedPosition.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CompletionThread.cpp
)
target_include_directories(quilbo_audio PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_audio PUBLIC quilbo_block quilbo_wavefile PRIVATE PkgConfig::PULSE Threads::Threads)
