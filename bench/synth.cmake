# Synthesis benchmarks: frames per second for every waveform at every depth, the cost of the
# progress callback, and of rendering into a fresh block. bench/vs-sox compares whole processes.
add_executable(synth_bench ${CMAKE_CURRENT_LIST_DIR}/synth/SynthBench.cpp)
target_link_libraries(synth_bench PRIVATE quilbo_synth quilbo_block benchmark::benchmark)
