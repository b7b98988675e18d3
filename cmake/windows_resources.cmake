# Each Windows program carries a version resource (Properties, Details), a
# manifest (the versions of Windows it knows, and paths past 260
# characters), and the French catalogue (cmake/catalogue.cmake). windres
# builds them, from the project's own version.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE PROGRAM_COPYRIGHT REGEX "^Copyright" LIMIT_COUNT 1)
set(CPACK_PACKAGE_VENDOR ${ECRITURE_VENDOR})
foreach(entry IN ITEMS "ecriture:Capture records typed at the console into a binary file"
              "lecture:List and check the record files that ecriture writes")
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 PROGRAM)
  list(GET entry 1 PROGRAM_DESCRIPTION)
  set(PROGRAM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM}.manifest)
  configure_file(packaging/windows/program.manifest.in ${PROGRAM_MANIFEST} @ONLY)
  configure_file(packaging/windows/program.rc.in ${PROGRAM}.rc @ONLY)
  target_sources(${PROGRAM} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM}.rc ${CMAKE_CURRENT_BINARY_DIR}/catalogue.rc)
endforeach()
