# Copies the help page and the readme into the build directory unless they exist.
foreach(name ruz.html readme.txt)
  if(NOT EXISTS "${DST}/${name}")
    file(COPY "${SRC}/${name}" DESTINATION "${DST}")
  endif()
endforeach()
