# Installation and the Debian package: the program, its manual pages, the
# licence and changelog, the desktop menu entry, icon, AppStream metainfo
# and file type of observation files, and the example observation files.
# `cpack -G DEB` in the build directory makes the package;
# packaging/check-package.sh checks it with lintian.
include(GNUInstallDirs)

# Directories of the package as Debian wants them, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, and the package) also drops
# the compilers' version notes, as Debian's own stripping does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kestrane\")
  endif()")

# Manual pages and the changelog go compressed with gzip -9n (no file name
# and no time stamp in the header, so the package is the same whenever it is
# built). configure_file makes CMake run again when a source changes.
set(kestrane_doc_dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)
function(kestrane_gzip source target)
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${target} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()
configure_file(${CMAKE_CURRENT_LIST_DIR}/kestrane.1.in ${kestrane_doc_dir}/man/kestrane.1 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kestrane.zh_CN.1.in ${kestrane_doc_dir}/man/zh_CN/kestrane.1 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${kestrane_doc_dir}/changelog COPYONLY)
kestrane_gzip(${kestrane_doc_dir}/man/kestrane.1 ${kestrane_doc_dir}/kestrane.1.gz)
kestrane_gzip(${kestrane_doc_dir}/man/zh_CN/kestrane.1 ${kestrane_doc_dir}/kestrane.zh_CN.1.gz)
kestrane_gzip(${kestrane_doc_dir}/changelog ${kestrane_doc_dir}/changelog.gz)

# The changelog's latest entry names the version being built.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^kestrane \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the latest entry must be version ${PROJECT_VERSION}, not: ${changelog_head}")
endif()

install(FILES ${kestrane_doc_dir}/kestrane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${kestrane_doc_dir}/kestrane.zh_CN.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1
        RENAME kestrane.1.gz)
install(FILES ${kestrane_doc_dir}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The example observation files, whichever there are.
file(GLOB kestrane_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.kestrane.toml)
if(kestrane_examples)
  install(FILES ${kestrane_examples} DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrane/examples)
endif()

if(KESTRANE_WITH_QT)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kestrane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kestrane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/org.example.kestrane.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # Observation files open in the program on a double click.
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kestrane-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kestrane.xml)
endif()

set(CPACK_PACKAGE_NAME "kestrane")
set(CPACK_PACKAGE_VENDOR "Kestrane")
# A placeholder address until the project has one of its own.
set(CPACK_PACKAGE_CONTACT "Kestrane developers <kestrane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "least-squares adjustment of central-polygon side-angle networks")
# Lines of at most 80 characters; CPack indents them.
set(CPACK_PACKAGE_DESCRIPTION [=[
A desktop tool for surveyors: it adjusts a central polygon of triangles
in which every angle and every side was measured, rigorously by conditions
(triangle, side and horizon conditions, Gauss-Doolittle elimination), gives
the adjusted coordinates and the precision of the weakest point, and prints
the report of inputs and results, also as a searchable PDF file.
Observations are typed at the prompts or read from observation files; a
console mode runs one computation from a terminal or a script.
The window and the report are in Simplified Chinese.]=])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "kestrane")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Chinese text needs a Chinese face (a Song (Ming) face for the report), and
# the program loads Qt's own Chinese translations at start.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-arphic-uming, qt6-translations-l10n")
include(CPack)
