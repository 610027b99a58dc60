# System output volume: CWaveOutVolume over the PulseAudio default sink.
add_library(quilbo_volume STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WaveOutVolume.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseVolumeBackend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeScale.cpp)
target_include_directories(quilbo_volume PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_volume PUBLIC Qt6::Core PRIVATE quilbo_audio PkgConfig::PULSE)
