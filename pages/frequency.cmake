# The Frequency page: signal generator page, level slider, data exchange and message presenter.
add_library(quilbo_frequency STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DataExchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrequencyPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LeadingNumber.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LevelGain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MessagePresenter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeSlider.cpp
  ${CMAKE_SOURCE_DIR}/res/FrequencyPage.ui
)
target_include_directories(quilbo_frequency PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilbo_frequency PUBLIC quilbo_audio quilbo_synth Qt6::Widgets)
