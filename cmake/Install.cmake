# cmake --install: the four programs in one folder with the quasi-geoid models and a sample
# orvane.ini (the programs read both beside their own program file), links to the programs in
# bin/, the desktop entries, the example working folders and the models' credit.
#
#   <prefix>/lib/orvane/      kvel solvanta kvel-cli solvanta-cli solvanta-import-model orvane.ini
#                             PL-geoid2021.bin/.model PL-geoid2011-KRON86.bin/.model
#                             PL-geoid2011-EVRF2007.bin/.model
#   <prefix>/bin/             kvel solvanta kvel-cli solvanta-cli  (symbolic links into lib/orvane)
#   <prefix>/share/applications/orvane-kvel.desktop, orvane-solvanta.desktop
#   <prefix>/share/orvane/examples/
set(ORVANE_INSTALL_DIR "lib/orvane" CACHE STRING "Folder (under the prefix) of the programs, the models and orvane.ini")

set(_orvane_programs)
foreach(program kvel solvanta kvel-cli solvanta-cli)
  if(TARGET ${program})
    list(APPEND _orvane_programs ${program})
  endif()
endforeach()
if(_orvane_programs)
  install(TARGETS ${_orvane_programs} RUNTIME DESTINATION ${ORVANE_INSTALL_DIR})
endif()
# The model importer that solvanta-cli --import-model starts lies beside it (no link in bin/).
if(TARGET solvanta-import-model)
  install(TARGETS solvanta-import-model RUNTIME DESTINATION ${ORVANE_INSTALL_DIR})
endif()

# The models lie beside solvanta; the build makes them (cmake/Models.cmake) in the folder of the
# programs. Their licence asks for the credit, which NOTICE carries.
if(TARGET quasigeoid_models)
  install(FILES ${ORVANE_MODEL_FILES} DESTINATION ${ORVANE_INSTALL_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/NOTICE DESTINATION ${ORVANE_INSTALL_DIR})
endif()

# A sample orvane.ini; an existing one (the user's folder choice) is never overwritten.
install(CODE "
  set(_ini \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORVANE_INSTALL_DIR}/orvane.ini\")
  if(NOT EXISTS \"\${_ini}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORVANE_INSTALL_DIR}\")
    file(COPY_FILE \"${PROJECT_SOURCE_DIR}/apps/orvane.ini\" \"\${_ini}\")
    message(STATUS \"Installing: \${_ini}\")
  else()
    message(STATUS \"Keeping: \${_ini}\")
  endif()
")

# bin/ links: /proc/self/exe names the real file, so the programs still find their folder.
foreach(program ${_orvane_programs})
  install(CODE "
    set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${_bin}\")
    file(REMOVE \"\${_bin}/${program}\")
    file(CREATE_LINK \"../${ORVANE_INSTALL_DIR}/${program}\" \"\${_bin}/${program}\" SYMBOLIC)
    message(STATUS \"Linking: \${_bin}/${program}\")
  ")
endforeach()

# The entries name the programs under the prefix of the installation itself (`cmake --install
# --prefix` included), so they are written when installing, not when configuring.
foreach(program kvel solvanta)
  if(TARGET ${program})
    install(CODE "
      configure_file(\"${PROJECT_SOURCE_DIR}/apps/orvane-${program}.desktop.in\"
                     \"${CMAKE_BINARY_DIR}/apps/orvane-${program}.desktop\" @ONLY)
    ")
    install(FILES ${CMAKE_BINARY_DIR}/apps/orvane-${program}.desktop DESTINATION share/applications)
  endif()
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION share/orvane/examples)
