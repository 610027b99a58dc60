# quilbo-render: renders one synthesis request to standard output (developer tool, not installed).
if(NOT TARGET quilbo_block)
  # The synthesis-only build has no audio/ folder; the tool still needs the block allocator.
  add_library(quilbo_block STATIC ${CMAKE_SOURCE_DIR}/audio/SampleBlock.cpp)
  target_include_directories(quilbo_block PUBLIC ${CMAKE_SOURCE_DIR})
endif()

add_executable(quilbo-render
  ${CMAKE_CURRENT_LIST_DIR}/render/CommandLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/main.cpp
)
target_link_libraries(quilbo-render PRIVATE quilbo_synth quilbo_block)
