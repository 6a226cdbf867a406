# Copies the sample ruz.ini and www/ into the build directory unless they exist.
if(NOT EXISTS "${DST}/ruz.ini")
  file(COPY "${SRC}/ruz.ini" DESTINATION "${DST}")
endif()
if(NOT EXISTS "${DST}/www")
  file(COPY "${SRC}/www" DESTINATION "${DST}")
endif()
