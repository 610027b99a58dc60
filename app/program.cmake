# The main window, the application object and the quilbo program.
add_library(quilbo_mainwindow STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Banner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Banner.h
  ${CMAKE_CURRENT_LIST_DIR}/BurnInApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BurnInApp.h
  ${CMAKE_CURRENT_LIST_DIR}/MainDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/TabPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TabPane.h
  ${CMAKE_SOURCE_DIR}/res/MainDlg.ui)
target_include_directories(quilbo_mainwindow PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_mainwindow PUBLIC quilbo_shell quilbo_statement quilbo_frequency
                      quilbo_runin quilbo_power quilbo_volume quilbo_audio quilbo_res Qt6::Widgets)

add_executable(quilbo ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(quilbo PRIVATE quilbo_mainwindow)
install(TARGETS quilbo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
