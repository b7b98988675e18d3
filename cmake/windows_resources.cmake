# Each Windows program carries a version resource (Properties, Details), in
# English and in French, a manifest (the versions of Windows it knows, and
# paths past 260 characters), and the French catalogue
# (cmake/catalogue.cmake). windres builds them, from the project's own
# version.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE PROGRAM_COPYRIGHT REGEX "^Copyright" LIMIT_COUNT 1)
# The French block says who holds it in French, as its CompanyName does.
string(REPLACE "the ecriture authors" "les auteurs d'ecriture" PROGRAM_COPYRIGHT_FR "${PROGRAM_COPYRIGHT}")
set(CPACK_PACKAGE_VENDOR ${ECRITURE_VENDOR})
set(PROGRAM_VENDOR_FR "les auteurs d'ecriture")
foreach(entry IN ITEMS
        "ecriture:Capture records typed at the console into a binary file:Saisit à la console des enregistrements dans un fichier binaire"
        "lecture:List and check the record files that ecriture writes:Liste et vérifie les fichiers d'enregistrements qu'écrit ecriture")
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 PROGRAM)
  list(GET entry 1 PROGRAM_DESCRIPTION)
  list(GET entry 2 PROGRAM_DESCRIPTION_FR)
  set(PROGRAM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM}.manifest)
  configure_file(packaging/windows/program.manifest.in ${PROGRAM_MANIFEST} @ONLY)
  configure_file(packaging/windows/program.rc.in ${PROGRAM}.rc @ONLY)
  target_sources(${PROGRAM} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM}.rc ${CMAKE_CURRENT_BINARY_DIR}/catalogue.rc)
endforeach()
