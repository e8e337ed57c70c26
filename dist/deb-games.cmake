# Run by CPack on the staged package tree: Debian keeps games in /usr/games, so the packaged
# executables (the game and its level tool) move there from /usr/bin. They still find the data
# one level up, in /usr/share/one-step-ahead/dat.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${usr}/bin/one-step-ahead")
  message(FATAL_ERROR "no ${usr}/bin/one-step-ahead to move to games/")
endif()
file(MAKE_DIRECTORY "${usr}/games")
# Made with the builder's umask: the package's folders are 0755 whatever it is.
execute_process(COMMAND chmod 0755 "${usr}/games" RESULT_VARIABLE chmod_status)
if(NOT chmod_status EQUAL 0)
  message(FATAL_ERROR "cannot set the permissions of ${usr}/games")
endif()
foreach(program one-step-ahead one-step-ahead-level)
  if(EXISTS "${usr}/bin/${program}")
    file(RENAME "${usr}/bin/${program}" "${usr}/games/${program}")
  endif()
endforeach()
file(GLOB left "${usr}/bin/*")
if(NOT left)
  file(REMOVE_RECURSE "${usr}/bin")
endif()
