# The official quasi-geoid models of GUGiK (data/quasigeoid/, CC BY 4.0, "(c) Główny Urząd Geodezji
# i Kartografii"), each turned by solvanta-cli --import-model into a model file in the layout of
# the calculator (801 x 1201 int32, 0.01 mm, rows south to north) and its metadata record, beside
# the programs in build/bin.
set(ORVANE_MODEL_DATA ${PROJECT_SOURCE_DIR}/data/quasigeoid)
set(ORVANE_MODEL_LICENCE "(c) Główny Urząd Geodezji i Kartografii, licencja CC BY 4.0")
set(ORVANE_MODEL_FILES)
# A build without the import (the one for Windows) copies the models a Linux build made.
set(ORVANE_MODELS_FROM "" CACHE PATH "Folder of ready-made models (NAME.bin with NAME.model) for a build without the import")

# orvane_model(NAME GEOTIFF HEIGHT_SYSTEM DESCRIPTION SOURCE)
function(orvane_model name geotiff height_system description source)
  set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}.bin)
  set(record ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}.model)
  if(NOT TARGET solvanta-import-model)
    add_custom_command(
      OUTPUT ${bin} ${record}
      COMMAND ${CMAKE_COMMAND} -E copy ${ORVANE_MODELS_FROM}/${name}.bin ${ORVANE_MODELS_FROM}/${name}.model
              ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
      DEPENDS ${ORVANE_MODELS_FROM}/${name}.bin ${ORVANE_MODELS_FROM}/${name}.model
      COMMENT "Copying the model ${name}"
      VERBATIM)
    set(ORVANE_MODEL_FILES ${ORVANE_MODEL_FILES} ${bin} ${record} PARENT_SCOPE)
    return()
  endif()
  add_custom_command(
    OUTPUT ${bin} ${record}
    COMMAND solvanta-cli --import-model ${ORVANE_MODEL_DATA}/${geotiff} ${bin} --name ${name}
            --height-system ${height_system} --description ${description} --source ${source}
            --licence ${ORVANE_MODEL_LICENCE}
    DEPENDS solvanta-cli ${ORVANE_MODEL_DATA}/${geotiff}
    COMMENT "Making the model ${name} from ${geotiff}"
    VERBATIM)
  set(ORVANE_MODEL_FILES ${ORVANE_MODEL_FILES} ${bin} ${record} PARENT_SCOPE)
endfunction()

if(TARGET solvanta-cli AND (TARGET solvanta-import-model OR ORVANE_MODELS_FROM))
  orvane_model(PL-geoid2021 pl_gugik_geoid2021-PL-EVRF2007-NH.tif PL-EVRF2007-NH
    "PL-geoid2021: quasi-geoida GUGiK, wysokości normalne PL-EVRF2007-NH (układ obowiązujący)"
    "GUGiK, model PL-geoid2021 (GeoTIFF: PROJ-data pl_gugik)")
  orvane_model(PL-geoid2011-KRON86 pl_gugik_geoid2011-PL-KRON86-NH.tif PL-KRON86-NH
    "PL-geoid2011: quasi-geoida GUGiK, wysokości normalne PL-KRON86-NH (Kronsztad 86), obszar lądowy"
    "GUGiK, model PL-geoid2011 (GeoTIFF: PROJ-data pl_gugik)")
  orvane_model(PL-geoid2011-EVRF2007 pl_gugik_geoid2011-PL-EVRF2007-NH.tif PL-EVRF2007-NH
    "PL-geoid2011: quasi-geoida GUGiK, wysokości normalne PL-EVRF2007-NH, obszar lądowy"
    "GUGiK, model PL-geoid2011 (GeoTIFF: PROJ-data pl_gugik)")
  add_custom_target(quasigeoid_models ALL DEPENDS ${ORVANE_MODEL_FILES})
endif()
