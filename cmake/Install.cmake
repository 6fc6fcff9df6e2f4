# cmake --install: the four programs in one folder with the model grid and a sample orvane.ini
# (the programs read both beside their own program file), links to the programs in bin/, the
# desktop entries and the example working folders.
#
#   <prefix>/lib/orvane/      kvel solvanta kvel-cli solvanta-cli solvanta_2008QG.bin orvane.ini
#   <prefix>/bin/             kvel solvanta kvel-cli solvanta-cli  (symbolic links into lib/orvane)
#   <prefix>/share/applications/orvane-kvel.desktop, orvane-solvanta.desktop
#   <prefix>/share/orvane/examples/
set(ORVANE_INSTALL_DIR "lib/orvane" CACHE STRING "Folder (under the prefix) of the programs, the model grid and orvane.ini")

set(_orvane_programs)
foreach(program kvel solvanta kvel-cli solvanta-cli)
  if(TARGET ${program})
    list(APPEND _orvane_programs ${program})
  endif()
endforeach()
if(_orvane_programs)
  install(TARGETS ${_orvane_programs} RUNTIME DESTINATION ${ORVANE_INSTALL_DIR})
endif()

# The model grid lies beside solvanta; the build makes it (tools/) in the folder of the programs.
if(TARGET demo_model_grid)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/solvanta_2008QG.bin DESTINATION ${ORVANE_INSTALL_DIR})
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
