include(${CMAKE_CURRENT_LIST_DIR}/PackageFiles.cmake)

# ON for the Debian package (scripts/build-deb.sh): programs in <prefix>/bin, each user's diary
# in the user's data folder (cmake/SystemInstall.cmake).
option(MIRVOLA_SYSTEM_INSTALL "Install for every user of the machine, as the package does" OFF)
if(MIRVOLA_SYSTEM_INSTALL)
  include(${CMAKE_CURRENT_LIST_DIR}/SystemInstall.cmake)
  return()
endif()

# Installation for one user: the diary lives in the program's own directory and must be
# writable there, so everything goes under the user's prefix (default ~/.local):
#   <prefix>/share/mirvola/       mirvola, mirvola-db and the diary Mirvola.mdb
#   <prefix>/bin/mirvola          launcher
#   <prefix>/share/applications/  desktop entry
#   <prefix>/share/icons/...      program icon
set(MIRVOLA_APP_DIR share/mirvola)

install(TARGETS mirvola mirvola-db RUNTIME DESTINATION ${MIRVOLA_APP_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/mirvola.svg
        DESTINATION share/icons/hicolor/scalable/apps)

install(CODE [[
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(app_dir "${CMAKE_INSTALL_PREFIX}/share/mirvola")

  # A new empty diary only where none is: an existing diary is never overwritten.
  if(NOT EXISTS "${root}/share/mirvola/Mirvola.mdb")
    execute_process(COMMAND "${root}/share/mirvola/mirvola-db" create
                            "${root}/share/mirvola/Mirvola.mdb"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not create the empty diary ${root}/share/mirvola/Mirvola.mdb")
    endif()
    message(STATUS "Created empty diary: ${root}/share/mirvola/Mirvola.mdb")
  else()
    message(STATUS "Kept existing diary: ${root}/share/mirvola/Mirvola.mdb")
  endif()

  file(MAKE_DIRECTORY "${root}/bin")
  file(WRITE "${root}/bin/mirvola"
       "#!/bin/sh\n# Starts Mirvola from its own directory, where its diary lives.\nexec \"${app_dir}/mirvola\" \"$@\"\n")
  file(CHMOD "${root}/bin/mirvola" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  message(STATUS "Installing: ${root}/bin/mirvola")
]])

install(CODE "set(MIRVOLA_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/resources/desktop/mirvola.desktop.in\")")
install(CODE [[
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(READ "${MIRVOLA_DESKTOP_TEMPLATE}" desktop)
  string(REPLACE "@LAUNCHER@" "${CMAKE_INSTALL_PREFIX}/bin/mirvola" desktop "${desktop}")
  file(MAKE_DIRECTORY "${root}/share/applications")
  file(WRITE "${root}/share/applications/mirvola.desktop" "${desktop}")
  message(STATUS "Installing: ${root}/share/applications/mirvola.desktop")
]])
