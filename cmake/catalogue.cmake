# The messages' catalogue, po/fr.po: built with msgfmt for gettext on Linux,
# into the build tree's locale/ and installed in share/locale; made
# resources of each program on Windows. po/ecriture.pot, its template, is
# made by xgettext from the sources (the target update-pot).
set(catalogue_keywords --keyword=Translate --keyword=TranslatePlural:1,2 --keyword=Untranslated
    --keyword=PutMessage:4 --keyword=Warn:2 --keyword=RefuseUsage:2)
find_package(Gettext QUIET)
find_program(XGETTEXT xgettext)
if(XGETTEXT)
  file(GLOB_RECURSE catalogue_sources RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp)
  list(SORT catalogue_sources)
  add_custom_target(update-pot
    COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 ${catalogue_keywords} --sort-by-file --no-wrap
            --package-name=ecriture --package-version=${PROJECT_VERSION} --msgid-bugs-address=ecriture@example.org
            --copyright-holder=${ECRITURE_VENDOR} -o po/ecriture.pot ${catalogue_sources}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} VERBATIM)
endif()
if(WIN32)
  include(cmake/catalogue_resources.cmake)
  make_catalogue_resources(${PROJECT_SOURCE_DIR}/po/fr.po ${CMAKE_CURRENT_BINARY_DIR}/catalogue.rc)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/fr.po)
  message(STATUS "Messages: English, and French by the user's interface language")
else()
  # Installed, the catalogue is found from the program's own folder: the
  # same whatever prefix it was installed under, a package's /usr too.
  file(RELATIVE_PATH locale_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LOCALEDIR})
  target_compile_definitions(platform PRIVATE ECRITURE_BUILD_DIR="${CMAKE_BINARY_DIR}"
                             ECRITURE_LOCALE_FROM_BIN="${locale_from_bin}")
  if(GETTEXT_MSGFMT_EXECUTABLE)
    set(catalogue_mo ${CMAKE_BINARY_DIR}/locale/fr/LC_MESSAGES/${PROJECT_NAME}.mo)
    add_custom_command(OUTPUT ${catalogue_mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/fr/LC_MESSAGES
      COMMAND ${GETTEXT_MSGFMT_EXECUTABLE} --check -o ${catalogue_mo} ${PROJECT_SOURCE_DIR}/po/fr.po
      DEPENDS ${PROJECT_SOURCE_DIR}/po/fr.po VERBATIM)
    add_custom_target(catalogue ALL DEPENDS ${catalogue_mo})
    install(FILES ${catalogue_mo} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/fr/LC_MESSAGES)
    message(STATUS "Messages: English, and French from po/fr.po")
  else()
    message(STATUS "Messages: English only (msgfmt not found: install gettext)")
  endif()
endif()
