# Frequency page benchmarks: from the Play click to the player's start, on a private PulseAudio
# server, and the share of the render time spent in the progress callback.
add_executable(frequency_bench ${CMAKE_CURRENT_LIST_DIR}/frequency/FrequencyBench.cpp)
target_link_libraries(frequency_bench
  PRIVATE quilbo_frequency quilbo_res quilbo_test_support benchmark::benchmark Qt6::Widgets)
