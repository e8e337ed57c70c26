# Run by CPack on the staged package tree: Debian keeps games in /usr/games, so the packaged
# executable moves there from /usr/bin. It still finds its data one level up, in
# /usr/share/one-step-ahead/dat.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${usr}/bin/one-step-ahead")
  message(FATAL_ERROR "no ${usr}/bin/one-step-ahead to move to games/")
endif()
file(MAKE_DIRECTORY "${usr}/games")
file(RENAME "${usr}/bin/one-step-ahead" "${usr}/games/one-step-ahead")
file(GLOB left "${usr}/bin/*")
if(NOT left)
  file(REMOVE_RECURSE "${usr}/bin")
endif()
