#!/usr/bin/env bash
# Makes what ships from release builds, then gets and tries each thing as a
# user would: installs the Debian package for real (root, a throwaway
# machine) and runs the end-to-end tests against /usr/bin, then purges it;
# runs the Windows zip's programs under wine from an empty folder; builds
# and tests the source archive outside the git tree; and builds the
# programs with the test tools hidden, as on a stock machine.
# Usage: tests/packages.sh, from anywhere; it needs what .ci/run installs.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "packages: $*" >&2; exit 1; }

# Configured as a newcomer does, with no prefix: the package is under /usr all the same.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-package -j 2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package/CMakeCache.txt)
(cd build-package && cpack -G DEB && cpack --config CPackSourceConfig.cmake)
deb=$PWD/build-package/ecriture_${version}_amd64.deb

echo "== the Debian package"
dpkg-deb --info "$deb"
lintian --fail-on error,warning "$deb"
files=(usr/bin/ecriture usr/bin/lecture usr/share/doc/ecriture/NEWS.md usr/share/doc/ecriture/README.md
  usr/share/doc/ecriture/changelog.gz usr/share/doc/ecriture/copyright
  usr/share/lintian/overrides/ecriture usr/share/locale/fr/LC_MESSAGES/ecriture.mo
  usr/share/man/fr/man1/ecriture.1.gz usr/share/man/fr/man1/lecture.1.gz usr/share/man/fr/man5/ecriture.5.gz
  usr/share/man/man1/ecriture.1.gz usr/share/man/man1/lecture.1.gz usr/share/man/man5/ecriture.5.gz)
diff <(printf '%s\n' "${files[@]}") <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub("^\\./", "", $6); print $6}' | sort)
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
[ "$(ecriture --version)" = "ecriture $version" ] || fail "ecriture --version: $(ecriture --version)"
man -w ecriture lecture && man -w 5 ecriture
# In French, as a French user's session has it: the pages, and the messages
# from the catalogue installed.
man -L fr -w ecriture lecture | grep -c '/man/fr/man1/' | grep -qx 2 || fail "man finds no French pages"
man -L fr -w 5 ecriture | grep -q '/man/fr/man5/' || fail "man finds no French ecriture(5)"
locales=$work/locales
mkdir "$locales" && localedef -i fr_FR -f UTF-8 "$locales/fr_FR.UTF-8"
LOCPATH=$locales LANG=fr_FR.UTF-8 ecriture --help | grep -q '^utilisation.*: ecriture' ||
  fail "ecriture --help is not French under fr_FR.UTF-8"
python3 tests/languages.py /usr/bin/ecriture /usr/bin/lecture po/fr.po
export ECRITURE_VERSION=$version ECRITURE_LINE_EDITING=1
python3 tests/end_to_end.py /usr/bin/ecriture
python3 tests/terminal.py /usr/bin/ecriture
python3 tests/lecture_test.py /usr/bin/lecture /usr/bin/ecriture build-package
# Workbooks with the libxlsxwriter the package depends on; openpyxl is Debian's.
ECRITURE_XLSX=1 /usr/bin/python3 tests/workbook_test.py /usr/bin/lecture
dpkg --purge ecriture
for f in "${files[@]}" usr/share/doc/ecriture; do
  [ ! -e "/$f" ] || fail "/$f is left after the purge"
done
echo "installed, tried and purged: no file left"

echo "== the Windows zip, under wine"
cmake -S . -B build-package-windows --toolchain cmake/x86_64-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF
cmake --build build-package-windows -j 2
(cd build-package-windows && cpack -G ZIP)
unzip -l "build-package-windows/ecriture-$version-win64.zip"
mkdir "$work/zip" && unzip -q "build-package-windows/ecriture-$version-win64.zip" -d "$work/zip"
folder=$work/zip/ecriture-$version-win64
file "$folder/README.txt" "$folder/LISEZMOI.txt" "$folder/LICENSE.txt" | grep -c 'with CRLF line terminators' |
  grep -qx 3 || fail "the zip's texts do not end their lines with CR LF"
for name in README LISEZMOI; do
  file "$folder/$name.txt" | grep -q 'UTF-8 (with BOM) text' || fail "$name.txt has no byte-order mark"
  # Its title's underline is as long as the title.
  sed -n '1{s/^\xef\xbb\xbf//;s/\r$//;p}' "$folder/$name.txt" | tr -c '\n' '=' | cmp -s - <(sed -n '2{s/\r$//;p}' "$folder/$name.txt") ||
    fail "$name.txt: the title's underline is not as long as the title"
done
grep -q 'LISEZMOI.txt' "$folder/README.txt" || fail "README.txt does not name LISEZMOI.txt"
wine=(env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEPREFIX="$work/wineprefix")
# Wine's server starts with no standard streams, so as not to hold a test's pipes.
mkdir "$work/wineprefix"
(exec </dev/null >/dev/null 2>&1 && "${wine[@]}" /usr/lib/wine/wineserver -p && "${wine[@]}" /usr/lib/wine/wine64 wineboot) ||
  fail "wine did not start"
ECRITURE_SYSTEM=Windows ECRITURE_EMULATOR="${wine[*]} /usr/lib/wine/wine64" python3 tests/lecture_test.py \
  "$folder/lecture.exe" "$folder/ecriture.exe" "$work" SameOnEveryPlatform
"${wine[@]}" /usr/lib/wine/wineserver -k
cmp tests/same_input/records.dat "$work/same_input.dat"

echo "== the source archive, outside the git tree"
tar -xzf "build-package/ecriture-$version.tar.gz" -C "$work"
[ ! -e "$work/ecriture-$version/.git" ] || fail "the source archive holds .git"
[ ! -e "$work/ecriture-$version/share" ] || fail "the source archive holds what the Debian package installs"
cmake -S "$work/ecriture-$version" -B "$work/source-build"
cmake --build "$work/source-build" -j 2
ctest --test-dir "$work/source-build" -LE system --output-on-failure

echo "== a stock machine: no GoogleTest, libedit or Python"
cmake -S . -B build-stock -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DECRITURE_GTEST_SOURCE="$work/none" \
  -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON -DECRITURE_XLSX=OFF |
  tee "$work/stock.log"
grep -q 'Left out: the test unit_tests (needs GoogleTest' "$work/stock.log" || fail "configure does not say what it left out"
grep -q 'Workbooks (lecture --xlsx): none' "$work/stock.log" || fail "configure does not say that it has no workbooks"
cmake --build build-stock -j 2 --target ecriture lecture
if build-stock/lecture --xlsx /dev/null >/dev/null 2>"$work/stock-xlsx.log" ||
  ! grep -q 'built without libxlsxwriter' "$work/stock-xlsx.log"; then
  fail "lecture --xlsx does not say that it was built without libxlsxwriter"
fi
if ctest --test-dir build-stock -R '^unit_tests$' --output-on-failure >"$work/stock-test.log"; then
  fail "the test command passes without GoogleTest"
fi
grep -q 'install libgtest-dev' "$work/stock-test.log" || fail "the test command does not name the package it needs"
echo "both programs built; the tests name what they need"
