# Installation and the Debian package: the program, its desktop menu entry
# and its icon. `cpack -G DEB` in the build directory makes the package.
include(GNUInstallDirs)

install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KESTRANE_WITH_QT)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kestrane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kestrane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME "kestrane")
set(CPACK_PACKAGE_VENDOR "Kestrane")
set(CPACK_PACKAGE_CONTACT "Kestrane developers <kestrane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Least-squares adjustment by conditions of a central-polygon side-angle network")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for surveyors: it adjusts a central polygon of triangles in which every angle\n and every side was measured, rigorously by conditions, and prints the report.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "kestrane")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Chinese text needs a Chinese face; a Song (Ming) face for the report.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-arphic-uming")
include(CPack)
