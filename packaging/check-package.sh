#!/usr/bin/env bash
# Builds the Debian package from a normal build directory and checks it as
# Debian's tools do: lintian (every error and warning fails), the AppStream
# metainfo and the desktop entry.
#
#   packaging/check-package.sh [BUILD_DIR]      (default: build)
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

rm -f "$build"/kestrane_*.deb
(cd "$build" && cpack -G DEB)
packages=("$build"/kestrane_*.deb)
echo "lintian ${packages[*]}"
lintian --fail-on error,warning --display-info "${packages[@]}"
appstreamcli validate --no-net "$here"/*.metainfo.xml
desktop-file-validate "$here"/kestrane.desktop
echo "package checks passed: ${packages[*]}"
