#!/usr/bin/env bash
# Makes the Debian package ravix-setup_VERSION_amd64.deb in OUT_DIR (default
# BUILD_DIR/package; BUILD_DIR default build-package/, a build tree of its own
# configured for /usr with Debian's hardening flags) and checks it with lintian,
# appstreamcli and desktop-file-validate. Installs the tools it needs first.
# Extra arguments go to cmake. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-package}
out=${OUT_DIR:-$build/package}
RAVIX_WITH_PACKAGE=1 scripts/install-deps.sh

# Debian's build flags with all its hardening (fortified functions, stack protector,
# full RELRO with immediate binding), as its own packages are built. Given to cmake
# directly: flags from the environment count only when a build tree is first made.
# The release build type adds only NDEBUG, so that the optimisation is Debian's too.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
BUILD_DIR=$build scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DRAVIX_BUILD_TESTS=OFF -DRAVIX_BUILD_BENCH=OFF "$@"

mkdir -p "$out"
out=$(realpath "$out")
rm -f "$out"/ravix-setup_*.deb
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log" >&2; exit 1; }
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/ravix-setup_*.deb)
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "ravix-setup_${version}_amd64.deb" ] || { echo "package-linux: unexpected name $deb" >&2; exit 1; }

# The checks look at the files as the package holds them.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
echo "package-linux: lintian"
lintian --fail-on error --display-info --info "$deb"
echo "package-linux: appstreamcli validate --no-net"
appstreamcli validate --no-net --explain "$unpacked"/usr/share/metainfo/*.metainfo.xml
echo "package-linux: desktop-file-validate"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop && echo "desktop entry valid"
echo "package-linux: contents"
dpkg-deb -f "$deb" Package Version Architecture Depends Installed-Size
dpkg-deb -c "$deb" | awk '{print $1, $6}'
echo "$deb"
