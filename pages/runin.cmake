# The Run In page: the run-in session and its playback, the elapsed-time text, the calendar clock
# and the system-volume slider.
add_library(quilbo_runin STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CalendarClock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ElapsedTime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunInPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunInPlayback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeTrackbar.cpp
  ${CMAKE_SOURCE_DIR}/res/RunInPage.ui
)
target_include_directories(quilbo_runin PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_runin PUBLIC quilbo_frequency quilbo_volume quilbo_power Qt6::Widgets)
