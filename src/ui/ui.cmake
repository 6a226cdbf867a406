# The window's extras: the icon resource, libxcb for the compositing-manager
# check, the update host and web addresses.
set(RUZ_UPDATE_HOST "update.ruz.invalid" CACHE STRING "Host (host[:port]) asked for /ruz/version.txt")
set(RUZ_DOWNLOAD_URL "http://www.ruz.invalid/download.html" CACHE STRING "Download page offered after an update check")
set(RUZ_WEB_URL "http://www.ruz.invalid/" CACHE STRING "The project's web page (help menu)")

set_target_properties(ruz_ui PROPERTIES AUTORCC ON)
target_sources(ruz_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ruz.qrc)
target_compile_definitions(ruz_ui PRIVATE
  RUZ_UPDATE_HOST="${RUZ_UPDATE_HOST}"
  RUZ_DOWNLOAD_URL="${RUZ_DOWNLOAD_URL}"
  RUZ_WEB_URL="${RUZ_WEB_URL}")

find_library(RUZ_XCB_LIBRARY xcb REQUIRED)
target_link_libraries(ruz_ui PRIVATE ${RUZ_XCB_LIBRARY})

# QR codes of the server's addresses (libqrencode) and the traffic plots (Qt Charts).
find_package(PkgConfig REQUIRED)
pkg_check_modules(RUZ_QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
find_package(Qt6 REQUIRED COMPONENTS Charts)
target_link_libraries(ruz_ui PUBLIC PkgConfig::RUZ_QRENCODE Qt6::Charts)
