# What `cmake --install` puts in place, and so what the Debian package
# (debian/, built by dpkg-buildpackage) holds: the program, its manual pages
# in English and Chinese, the desktop menu entry with its icons, the AppStream
# metainfo, the file type of observation files, the example observation files
# and the documentation. Version and date of the manual pages and the
# metainfo come from debian/changelog (cmake/Changelog.cmake).
include(GNUInstallDirs)

# Directories as Debian wants them, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(kestrane_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(kestrane_generated ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages, uncompressed: the Debian build compresses them (dh_compress).
configure_file(${kestrane_packaging}/kestrane.1.in ${kestrane_generated}/man/kestrane.1 @ONLY)
configure_file(${kestrane_packaging}/kestrane.zh_CN.1.in ${kestrane_generated}/man/zh_CN/kestrane.1 @ONLY)
install(FILES ${kestrane_generated}/man/kestrane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${kestrane_generated}/man/zh_CN/kestrane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)

# The example observation files, whichever there are. The window finds them
# relative to the program: ../share/kestrane/examples.
file(GLOB kestrane_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.kestrane.toml)
if(kestrane_examples)
  install(FILES ${kestrane_examples} DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrane/examples)
endif()

# The documentation, with the README's relative links kept: README.md at the
# top, docs/ beside it. A file of the list that does not exist is left out.
set(kestrane_docs
  docs/observation-files.md
  docs/architecture.md
  docs/quality.md
)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
foreach(doc IN LISTS kestrane_docs)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${doc})
    install(FILES ${PROJECT_SOURCE_DIR}/${doc} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
  endif()
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

if(KESTRANE_WITH_QT)
  install(FILES ${kestrane_packaging}/kestrane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  # The icon: the drawing itself, and pictures of it in the sizes menus ask
  # for, rendered by rsvg-convert (librsvg2-bin), which writes no time into
  # them.
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  install(FILES ${kestrane_packaging}/kestrane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  set(kestrane_icons "")
  foreach(size 48 64 128 256)
    set(png ${kestrane_generated}/icons/${size}x${size}/kestrane.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${kestrane_generated}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --format=png
              --output=${png} ${kestrane_packaging}/kestrane.svg
      DEPENDS ${kestrane_packaging}/kestrane.svg
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND kestrane_icons ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(kestrane_icons ALL DEPENDS ${kestrane_icons})

  configure_file(${kestrane_packaging}/org.example.kestrane.metainfo.xml.in
                 ${kestrane_generated}/org.example.kestrane.metainfo.xml @ONLY)
  install(FILES ${kestrane_generated}/org.example.kestrane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # Observation files open in the program on a double click.
  install(FILES ${kestrane_packaging}/kestrane-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kestrane.xml)
endif()
