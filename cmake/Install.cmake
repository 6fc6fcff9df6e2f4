# cmake --install and the Debian package (cpack -G DEB in the build folder; scripts/package.sh).
#
#   <prefix>/bin/                       kvel solvanta kvel-cli solvanta-cli solvanta-import-model
#   <prefix>/share/orvane/              the quasi-geoid models (*.bin with their *.model records),
#                                       which the programs look for there (PREFIX/bin -> PREFIX/share/orvane)
#   <prefix>/share/orvane/examples/     the example working folders
#   <prefix>/share/man/man1/            the manual pages
#   <prefix>/share/applications/        the desktop entries of the two windows
#   <prefix>/share/metainfo/            their AppStream records
#   <prefix>/share/doc/orvane/          copyright (LICENSE and NOTICE), changelog, README
#   <sysconf>/orvane/orvane.ini         the system's settings: /etc for the prefix /usr, else <prefix>/etc
#
# Each user keeps an own orvane.ini (~/.config/orvane/); common/settings_files.h has the rule.
include(GNUInstallDirs)
set(ORVANE_VERSION ${PROJECT_VERSION})  # filled into the manual pages and the AppStream records

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(_orvane_programs)
foreach(program kvel solvanta kvel-cli solvanta-cli solvanta-import-model)
  if(TARGET ${program})
    list(APPEND _orvane_programs ${program})
  endif()
endforeach()
install(TARGETS ${_orvane_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The models; their licence asks for the credit, which NOTICE carries (in the copyright file).
if(TARGET quasigeoid_models)
  install(FILES ${ORVANE_MODEL_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane/examples
        PATTERN ".gitignore" EXCLUDE)

# Manual pages, with the version filled in and compressed as Debian wants them.
set(_orvane_man_pages)
foreach(page kvel kvel-cli solvanta solvanta-cli solvanta-import-model)
  set(source ${PROJECT_SOURCE_DIR}/apps/man/${page}.1)
  set(page_file ${CMAKE_BINARY_DIR}/man/${page}.1)
  configure_file(${source} ${page_file} @ONLY)
  add_custom_command(OUTPUT ${page_file}.gz
    COMMAND gzip -9nf -k ${page_file}
    DEPENDS ${page_file}
    COMMENT "Compressing the manual page ${page}.1"
    VERBATIM)
  list(APPEND _orvane_man_pages ${page_file}.gz)
endforeach()
add_custom_target(orvane_man_pages ALL DEPENDS ${_orvane_man_pages})
install(FILES ${_orvane_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Desktop entries (Exec names the program, found on the PATH) and their AppStream records.
foreach(program kvel solvanta)
  if(TARGET ${program})
    install(FILES ${PROJECT_SOURCE_DIR}/apps/orvane-${program}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${PROJECT_SOURCE_DIR}/apps/pl.orvane.${program}.metainfo.xml
                   ${CMAKE_BINARY_DIR}/apps/pl.orvane.${program}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/apps/pl.orvane.${program}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
endforeach()

# copyright: the code's licence and the models' credit, in the machine-readable form.
set(ORVANE_COPYRIGHT_FILE ${CMAKE_BINARY_DIR}/doc/copyright)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${ORVANE_COPYRIGHT_FILE} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/doc/changelog
  COMMAND ${CMAKE_COMMAND} -E rename ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(orvane_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)
install(FILES ${ORVANE_COPYRIGHT_FILE} ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/NOTICE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The system's orvane.ini (a conffile of the package). /usr keeps its settings in /etc; the
# prefix is taken when installing, so that a package staged under <dir>/usr gets <dir>/etc. An
# existing file (the administrator's settings) is never overwritten.
install(CODE "
  set(_prefix \"\${CMAKE_INSTALL_PREFIX}\")
  if(_prefix MATCHES \"^(.*)/usr/?\$\")
    set(_etc \"\${CMAKE_MATCH_1}/etc\")
  else()
    set(_etc \"\${_prefix}/etc\")
  endif()
  set(_ini \"\$ENV{DESTDIR}\${_etc}/orvane/orvane.ini\")
  if(NOT EXISTS \"\${_ini}\")
    # file(INSTALL) puts DESTDIR before an absolute destination itself.
    file(INSTALL \"${PROJECT_SOURCE_DIR}/apps/orvane.ini\" DESTINATION \"\${_etc}/orvane\"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  else()
    message(STATUS \"Keeping: \${_ini}\")
  endif()
")

# The Debian package.
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ORVANE")
set(CPACK_PACKAGE_CONTACT "ORVANE maintainers <orvane@example.org>" CACHE STRING "Maintainer of the package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "geodetic suite: quasi-geoid calculator and levelling adjustment")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ORVANE is a suite for surveyors who work in the Polish national reference
systems. solvanta interpolates the height anomaly and the deflections of the
vertical of the official GUGiK quasi-geoid models (PL-geoid2021 by default),
converts ellipsoidal to normal heights and back, and turns GNSS height
differences into normal height differences. kvel adjusts levelling networks
rigorously (least squares or robust estimation) with accuracy and reliability
analysis and statistical tests. Each has a Qt window and a terminal program
(solvanta-cli, kvel-cli); they share one working folder of Windows-1250
text files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/orvane" CACHE STRING "Home page of the package")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
configure_file(${PROJECT_SOURCE_DIR}/packaging/conffiles ${CMAKE_BINARY_DIR}/packaging/conffiles COPYONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_GENERATOR DEB)
include(CPack)
