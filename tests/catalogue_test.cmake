# The catalogue is whole: po/ecriture.pot is what xgettext makes of the
# sources now (but for its date and the lines that its texts stand on), and
# po/fr.po, merged with it, translates
# every message, none fuzzy, as msgfmt --check --statistics counts them.
#   cmake -DSOURCE=... -DWORK=... -DXGETTEXT=... -DKEYWORDS=a|b -DMSGFMT=... -DMSGMERGE=... -P catalogue_test.cmake
string(REPLACE "|" ";" keywords "${KEYWORDS}")
file(GLOB_RECURSE sources RELATIVE ${SOURCE} ${SOURCE}/src/*.cpp)
list(SORT sources)
execute_process(COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 ${keywords} --sort-by-file --no-wrap
                        --omit-header -o ${WORK}/catalogue.pot ${sources}
                WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "xgettext failed")
endif()
# Both from their first entry on: the committed header holds the date.
file(READ ${SOURCE}/po/ecriture.pot committed)
string(FIND "${committed}" "\n#: " at)
string(SUBSTRING "${committed}" ${at} -1 committed)
file(READ ${WORK}/catalogue.pot made)
set(made "\n${made}")
string(FIND "${made}" "\n#: " at)
string(SUBSTRING "${made}" ${at} -1 made)
string(REGEX REPLACE "\n#: [^\n]*" "" committed "${committed}")
string(REGEX REPLACE "\n#: [^\n]*" "" made "${made}")
if(NOT committed STREQUAL made)
  message(FATAL_ERROR "po/ecriture.pot is not what the sources give: cmake --build build --target update-pot, "
                      "then msgmerge -U po/fr.po po/ecriture.pot and translate")
endif()
execute_process(COMMAND ${MSGMERGE} --quiet --no-fuzzy-matching -o ${WORK}/fr.po ${SOURCE}/po/fr.po
                        ${SOURCE}/po/ecriture.pot RESULT_VARIABLE failed)
execute_process(COMMAND ${MSGFMT} --check --statistics -o ${WORK}/fr.mo ${WORK}/fr.po
                RESULT_VARIABLE failed ERROR_VARIABLE statistics)
message(STATUS "fr.po: ${statistics}")
if(failed OR statistics MATCHES "untranslated|fuzzy")
  message(FATAL_ERROR "po/fr.po is not whole: ${statistics}")
endif()
