# The files a desktop needs beside the binaries, made from templates with the project's version
# (the one place it is written is project() in CMakeLists.txt): the desktop entry, the AppStream
# metainfo and the man pages, in <build>/package/.
set(MIRVOLA_APP_ID pl.ultras_mirvola.Mirvola)
set(MIRVOLA_RELEASE_DATE 2026-12-07)
set(MIRVOLA_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package)

set(LAUNCHER mirvola)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/mirvola.desktop.in
               ${MIRVOLA_PACKAGE_FILES}/${MIRVOLA_APP_ID}.desktop @ONLY)
unset(LAUNCHER)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/mirvola.metainfo.xml.in
               ${MIRVOLA_PACKAGE_FILES}/${MIRVOLA_APP_ID}.metainfo.xml @ONLY)
foreach(page mirvola mirvola-db)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.1.in ${MIRVOLA_PACKAGE_FILES}/${page}.1
                 @ONLY)
endforeach()
