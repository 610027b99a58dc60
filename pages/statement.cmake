# The statement page (Licence tab).
add_library(quilbo_statement STATIC
  ${CMAKE_CURRENT_LIST_DIR}/StatementPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatementPage.h)
target_include_directories(quilbo_statement PUBLIC ${CMAKE_SOURCE_DIR})
# quilbo_shell (app/shell.cmake, read later) brings the URL opener, the resource paths and the
# generated configuration header.
target_link_libraries(quilbo_statement PUBLIC quilbo_shell Qt6::Widgets)
