# Installation for every user of the machine (the Debian package): the programs in <prefix>/bin,
# where no diary can live, so each user's diary is ~/.local/share/Mirvola/Mirvola.mdb, made by
# the program's first start.
include(GNUInstallDirs)

install(TARGETS mirvola mirvola-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MIRVOLA_PACKAGE_FILES}/${MIRVOLA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MIRVOLA_PACKAGE_FILES}/${MIRVOLA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${MIRVOLA_PACKAGE_FILES}/mirvola.1 ${MIRVOLA_PACKAGE_FILES}/mirvola-db.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The icon as drawn, and rendered for the sizes that desktops look up first.
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/mirvola.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_files)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${MIRVOLA_PACKAGE_FILES}/icons/${size}x${size}/mirvola.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRVOLA_PACKAGE_FILES}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
            ${CMAKE_SOURCE_DIR}/resources/icons/mirvola.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/icons/mirvola.svg VERBATIM)
  list(APPEND icon_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(mirvola_icons ALL DEPENDS ${icon_files})
