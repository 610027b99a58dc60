# The quilbo program.
add_executable(quilbo ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(quilbo PRIVATE quilbo_frequency quilbo_res Qt6::Widgets)
install(TARGETS quilbo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
