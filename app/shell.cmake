# Shell pieces: the link button, the About box, the URL opener, the pictures of the main window,
# the build-time web addresses (generated app/QuilboConfig.h) and the desktop integration files.
include(${CMAKE_CURRENT_LIST_DIR}/ShellUrls.cmake)

set(QUILBO_PARTNER_URL "http://www.example.org/quilbo.htm" CACHE STRING
    "Partner's help page, opened by the first link button and linked from the statement")
set(QUILBO_MAKER_URL "http://www.example.com/quilbo.htm" CACHE STRING
    "Maker's help page, opened by the second link button and linked from the statement")
set(QUILBO_ADVERTISER_URL "http://www.example.net" CACHE STRING
    "Advertiser's home page, opened by a click on the bottom banner")
set(QUILBO_SCREENSHOT_URL "https://www.example.com/quilbo/screenshots" CACHE STRING
    "Web folder holding the pictures of docs/screenshots/, named in the AppStream metainfo")
set(QUILBO_PARTNER_CAPTION "" CACHE STRING
    "Caption of the partner's link button (empty: the web site's name taken from its address)")
set(QUILBO_MAKER_CAPTION "" CACHE STRING
    "Caption of the maker's link button (empty: the web site's name taken from its address)")
# Not a setting (the files in res/desktop/ carry this id in their names), but cached so that the
# tests in another folder can see it.
set(QUILBO_APP_ID org.example.Quilbo CACHE INTERNAL "Reverse-DNS id of the desktop integration")

foreach(setting QUILBO_PARTNER_URL QUILBO_MAKER_URL QUILBO_ADVERTISER_URL QUILBO_SCREENSHOT_URL)
  quilbo_check_url(${setting} "${${setting}}" problem)
  if(problem)
    message(FATAL_ERROR "${problem}")
  endif()
endforeach()
foreach(site PARTNER MAKER)
  if(QUILBO_${site}_CAPTION STREQUAL "")
    quilbo_site_caption("${QUILBO_${site}_URL}" QUILBO_${site}_CAPTION)
  endif()
  if(QUILBO_${site}_CAPTION MATCHES "\\)quilbo\"")
    message(FATAL_ERROR "QUILBO_${site}_CAPTION may not contain ')quilbo\"'")
  endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/QuilboConfig.h.in ${CMAKE_BINARY_DIR}/app/QuilboConfig.h
               @ONLY)
message(STATUS "Quilbo web pages: partner ${QUILBO_PARTNER_URL} ('${QUILBO_PARTNER_CAPTION}'), "
               "maker ${QUILBO_MAKER_URL} ('${QUILBO_MAKER_CAPTION}'), "
               "advertiser ${QUILBO_ADVERTISER_URL}")

add_library(quilbo_shell STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/LinkButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinkButton.h
  ${CMAKE_CURRENT_LIST_DIR}/ShellArt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShellArt.h
  ${CMAKE_CURRENT_LIST_DIR}/UrlOpener.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UrlOpener.h
  ${CMAKE_SOURCE_DIR}/res/AboutDlg.ui
  ${CMAKE_BINARY_DIR}/app/QuilboConfig.h)
target_include_directories(quilbo_shell PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
target_link_libraries(quilbo_shell PUBLIC Qt6::Widgets Qt6::Gui quilbo_res)

# Desktop integration, all under the one id (the program itself is installed by program.cmake).
# The metainfo names the maker's page as its home page and the screenshots by their web folder.
string(REPLACE "&" "&amp;" QUILBO_HOMEPAGE_XML "${QUILBO_MAKER_URL}")
string(REGEX REPLACE "/$" "" QUILBO_SCREENSHOT_URL_XML "${QUILBO_SCREENSHOT_URL}")
string(REPLACE "&" "&amp;" QUILBO_SCREENSHOT_URL_XML "${QUILBO_SCREENSHOT_URL_XML}")
configure_file(${CMAKE_SOURCE_DIR}/res/desktop/${QUILBO_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/app/${QUILBO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_SOURCE_DIR}/res/desktop/${QUILBO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${CMAKE_BINARY_DIR}/app/${QUILBO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/res/icons/quilbo-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QUILBO_APP_ID}.png COMPONENT desktop)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/quilbo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QUILBO_APP_ID}.svg COMPONENT desktop)

