# Fills the run folder of `make run` (DST) from the sample ruz.ini and site (SRC)
# and the help files (HELP), copying only what is missing: an operator's edits
# are never overwritten.
foreach(item ruz.ini www)
  if(NOT EXISTS "${DST}/${item}")
    file(COPY "${SRC}/${item}" DESTINATION "${DST}")
  endif()
endforeach()
foreach(name ruz.html readme.txt)
  if(NOT EXISTS "${DST}/${name}")
    file(COPY "${HELP}/${name}" DESTINATION "${DST}")
  endif()
endforeach()
