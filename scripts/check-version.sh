#!/usr/bin/env bash
# The version lives in CMakeLists.txt alone; the README names it where a user types or
# sees it (package and archive names, what --version prints). Fails when a mention
# there says another version, or when the README names the Debian package with none.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(ravix-setup VERSION \([0-9][0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "check-version: no project(ravix-setup VERSION ...) in CMakeLists.txt" >&2; exit 1; }
status=0
# ravix-setup_1.0.0_amd64.deb, ravix-setup-1.0.0-windows-x64.zip, "ravix-cli 1.0.0".
mentions=$(grep -noE 'ravix-(setup|cli)[_ -][0-9]+\.[0-9]+(\.[0-9]+)*' README.md || true)
while IFS= read -r mention; do
  [ -n "$mention" ] || continue
  found=$(echo "$mention" | grep -oE '[0-9]+\.[0-9]+(\.[0-9]+)*$')
  if [ "$found" != "$version" ]; then
    echo "check-version: README.md:${mention%%:*}: ${mention#*:} is not version $version (CMakeLists.txt)" >&2
    status=1
  fi
done <<<"$mentions"
if ! grep -q "ravix-setup_${version}_amd64.deb" README.md; then
  echo "check-version: README.md does not name the package ravix-setup_${version}_amd64.deb" >&2
  status=1
fi
[ $status = 0 ] && echo "check-version: README.md agrees with version $version ($(echo "$mentions" | grep -c .) mentions)"
exit $status
