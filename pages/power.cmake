# Power-off request for the run-in session's "Shut down" end action.
add_library(quilbo_power STATIC ${CMAKE_CURRENT_LIST_DIR}/LogindPowerOff.cpp)
target_include_directories(quilbo_power PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_power PUBLIC Qt6::Core PRIVATE Qt6::DBus)
