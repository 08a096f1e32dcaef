#!/usr/bin/env bash
# Packs the Windows build (scripts/build-windows.sh) for handing out, into OUT_DIR
# (default BUILD_DIR/package):
#   ravix-setup-VERSION-windows-x64.zip        both programs, the user's manual, README.txt, LICENSE.txt
#   ravix-setup-VERSION-windows-x64-setup.exe  the same as an installer (NSIS)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${BUILD_DIR:-build-windows}")
out=${1:-$build/package}
for exe in ravix-setup.exe ravix-cli.exe; do
  [ -x "$build/$exe" ] || { echo "package-windows: no $build/$exe; run scripts/build-windows.sh" >&2; exit 1; }
done
# The manual is made by the Linux build (Qt's Markdown reader and PDF writer), the
# same file for every platform: MANUAL_PDF, or the one in build/.
manual=${MANUAL_PDF:-build/ravix-setup-manual.pdf}
[ -s "$manual" ] || { echo "package-windows: no $manual; run scripts/build.sh (or set MANUAL_PDF)" >&2; exit 1; }
for tool in zip makensis x86_64-w64-mingw32-strip; do
  command -v $tool >/dev/null || { echo "package-windows: $tool is missing; run scripts/build-windows.sh" >&2; exit 1; }
done
# The version the programs were built with (CMakeLists.txt's project(), as the build
# tree took it), so that the names never disagree with what the programs say.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package-windows: no version in $build/CMakeCache.txt; run scripts/build-windows.sh" >&2; exit 1; }
name=ravix-setup-$version-windows-x64
mkdir -p "$out"
out=$(realpath "$out")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for exe in ravix-setup.exe ravix-cli.exe; do x86_64-w64-mingw32-strip -o "$stage/$name/$exe" "$build/$exe"; done
# Text files as Windows' own editor shows them: CRLF line ends.
sed 's/$/\r/' README.md >"$stage/$name/README.txt"
sed 's/$/\r/' LICENSE >"$stage/$name/LICENSE.txt"
# Beside the programs, where "Help > User's Manual" looks for it.
cp "$manual" "$stage/$name/ravix-setup-manual.pdf"

rm -f "$out/$name.zip"
(cd "$stage" && zip -q -X -r "$out/$name.zip" "$name")
echo "$out/$name.zip"

cp data/ravix-setup.ico "$stage/$name/"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage/$name" -DOUTFILE="$out/$name-setup.exe" \
  data/windows-installer.nsi >/dev/null
echo "$out/$name-setup.exe"
