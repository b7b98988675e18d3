# What installs, and the packages CPack makes of it: a Debian package on
# Linux (`cpack -G DEB`), a zip on Windows (`cpack -G ZIP`), and the source
# archive anywhere (`cpack --config CPackSourceConfig.cmake`). The version
# is the project's alone.
include(GNUInstallDirs)

# The notices of the libraries linked into the programs, as Debian ships
# them: each shipped binary carries the notices of what it holds.
if(WIN32)
  set(linked_libraries "gcc:the GCC runtime and libstdc++" "mingw-w64:the MinGW-w64 runtime")
elseif(line_editing)
  set(linked_libraries "libedit:libedit" "ncurses:ncurses (libtermcap)" "libbsd:libbsd")
endif()
# lecture writes workbooks with libxlsxwriter (its own zip code included on
# Windows) and zlib: linked in on Windows, shared libraries on Debian.
if(xlsx)
  list(APPEND linked_libraries "libxlsxwriter:libxlsxwriter, with its zip code (minizip) and tmpfileplus"
       "zlib:zlib")
endif()
file(READ LICENSE notices)
if(linked_libraries)
  string(APPEND notices "\nThe programs hold or use code of the libraries below. Their notices\n"
         "follow, as Debian ships them with each library or as the library does.\n")
endif()
foreach(entry IN LISTS linked_libraries)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 file)
  list(GET entry 1 name)
  file(READ packaging/notices/${file}.txt text)
  string(APPEND notices "\n\n==== ${name} ====\n\n${text}")
endforeach()

if(WIN32)
  # The zip's folder holds the programs and their texts side by side, with
  # the line ends of Windows.
  install(TARGETS ecriture lecture RUNTIME DESTINATION .)
  # The readmes begin with UTF-8's byte-order mark, by which Notepad knows
  # their accents (before Windows 10 1903 it reads a text without one in
  # the ANSI code page).
  string(ASCII 239 187 191 byte_order_mark)
  foreach(name README LISEZMOI LICENSE)
    if(name STREQUAL LICENSE)
      set(text "${notices}")
    else()
      file(READ packaging/${name}-windows.txt text)
      string(CONFIGURE "${text}" text @ONLY)
    endif()
    if(NOT name STREQUAL LICENSE)
      string(PREPEND text "${byte_order_mark}")
    endif()
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.txt "${text}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.txt DESTINATION .)
  endforeach()
else()
  install(TARGETS ecriture lecture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright "${notices}")
  # Manual pages and changelog gzipped without a time stamp, as Debian
  # wants them.
  file(STRINGS packaging/changelog newest LIMIT_COUNT 1)
  if(NOT newest MATCHES "^ecriture \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: its newest entry is not version ${PROJECT_VERSION}")
  endif()
  configure_file(packaging/changelog changelog COPYONLY)
  set(gzipped ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  # The pages in English, and in French where man looks for them under a
  # French locale. The paths they name are the Debian package's, which is
  # what ships.
  set(ECRITURE_PAGE_LOCALEDIR /usr/${CMAKE_INSTALL_LOCALEDIR})
  set(ECRITURE_PAGE_DOCDIR /usr/${CMAKE_INSTALL_DOCDIR})
  foreach(page ecriture.1 lecture.1 ecriture.5 fr/ecriture.1 fr/lecture.1 fr/ecriture.5)
    configure_file(man/${page}.in man/${page} @ONLY)
    list(APPEND gzipped ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    string(REGEX REPLACE ".*\\." "man" section ${page})
    get_filename_component(language ${page} DIRECTORY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${language}/${section})
  endforeach()
  foreach(gz IN LISTS gzipped)
    string(REGEX REPLACE "\\.gz$" "" plain ${gz})
    add_custom_command(OUTPUT ${gz} COMMAND gzip -9nkf ${plain} DEPENDS ${plain} VERBATIM)
  endforeach()
  add_custom_target(gzipped_docs ALL DEPENDS ${gzipped})
  # What the Debian package alone has: its files under /usr, and the
  # override, which cpack puts in, not an install to a prefix.
  set(lintian_override "")
  if(line_editing)
    configure_file(cmake/lintian-override.cmake.in lintian-override.cmake @ONLY)
    set(lintian_override ${CMAKE_CURRENT_BINARY_DIR}/lintian-override.cmake)
  endif()
  configure_file(cmake/cpack-generators.cmake.in cpack-generators.cmake @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/cpack-generators.cmake)
  install(FILES README.md NEWS.md ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${CMAKE_CURRENT_BINARY_DIR}/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME ecriture)
set(CPACK_PACKAGE_VENDOR ${ECRITURE_VENDOR})
set(CPACK_PACKAGE_CONTACT "the ecriture authors <ecriture@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "capture records typed at the console into a binary file")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ecriture-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ecriture asks for a file name, then takes records typed at the console one
at a time: two whole numbers and a line of text. It echoes each record,
appends it to the file as 88 bytes and reports the write. The dialogue is
in French, and piped input is read as well as typed input.

lecture lists and checks such files, as tab-separated text, CSV, JSON
Lines or a spreadsheet workbook (.xlsx), and can follow a file as records
are added. The files are the same
on every machine, whatever its byte order, and several stations may append
to one shared file.")
endif()

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ecriture-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" source_dir "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "^${source_dir}/build" "/__pycache__/")
include(CPack)
