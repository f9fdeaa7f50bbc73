#!/usr/bin/env bash
# Sets up what is missing on a Debian 12 machine, builds, and then either
# starts the program (./dev.sh run), runs every test (./dev.sh test), or
# builds the Debian package (./dev.sh package).
set -euo pipefail
cd "$(dirname "$0")"

# What this script itself uses beyond the build dependencies of
# debian/control: the package tools for every command, and for the tests the
# checks of the desktop files and manual pages, clang for the sanitizer
# build, and what the benchmarks need.
package_tools=(build-essential dpkg-dev git lintian devscripts)
test_tools=(
  appstream desktop-file-utils man-db
  clang libclang-rt-14-dev
  libbenchmark-dev time
)

# Installs only what is missing of the build dependencies and the tools
# named: no apt-get at all when everything is there.
install_missing() {
  local missing=() build_deps=no sudo=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ! command -v dpkg-checkbuilddeps >/dev/null || ! dpkg-checkbuilddeps debian/control 2>/dev/null; then
    build_deps=yes
  fi
  [ ${#missing[@]} -eq 0 ] && [ $build_deps = no ] && return 0
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if [ $build_deps = yes ]; then
    echo "Installing the build dependencies of debian/control"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends ./
  fi
}

# A developer's build: the window also finds the examples in this tree.
build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANE_SOURCE_EXAMPLES=ON
  cmake --build build -j "$(nproc)"
}

# The same project built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer on every target, plus the fuzz targets; its
# tests include a short, seeded run of each fuzz target.
build_sanitized() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DKESTRANE_SANITIZE=ON -DKESTRANE_BUILD_FUZZERS=ON
  cmake --build build-asan -j "$(nproc)"
}

# The checks of the files the desktop and man read: the menu entry, the
# AppStream metainfo generated in build/, and both manual pages, which must
# format without a single warning.
check_desktop_files() {
  desktop-file-validate packaging/kestrane.desktop
  appstreamcli validate --no-net build/packaging/org.example.kestrane.metainfo.xml
  local page warnings
  for page in build/packaging/man/kestrane.1 build/packaging/man/zh_CN/kestrane.1; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
      printf '%s:\n%s\n' "$page" "$warnings" >&2
      return 1
    fi
  done
  echo "desktop entry, metainfo and manual pages: no warnings"
}

# The Debian package of the last commit (HEAD), built by dpkg-buildpackage in
# a copy made by git archive: build-deb/src. The packages stay in build-deb/;
# lintian fails on any error or warning, hardening-check (devscripts) on any
# protection missing from the program ("unknown" for stack clash protection
# passes: the flag is given, but hardening-check finds no probe to prove it
# by). DEB_BUILD_OPTIONS=nocheck leaves the tests out of the build.
package() {
  rm -rf build-deb
  mkdir -p build-deb/src
  git archive --format=tar HEAD | tar -x -C build-deb/src
  (cd build-deb/src && dpkg-buildpackage -us -uc -b --jobs-try=auto)
  local debs=(build-deb/*.deb)
  echo "lintian ${debs[*]}"
  lintian --fail-on error,warning --display-info "${debs[@]}"
  dpkg-deb -x build-deb/kestrane_*_*.deb build-deb/unpacked
  hardening-check build-deb/unpacked/usr/bin/kestrane
  sha256sum "${debs[@]}"
}

case "${1:-run}" in
  run)
    install_missing build-essential dpkg-dev
    build
    # A first start ends in a finished computation: one of the examples.
    exec ./build/kestrane examples/aonly-n8-town.kestrane.toml
    ;;
  test)
    install_missing "${package_tools[@]}" "${test_tools[@]}"
    build
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    check_desktop_files
    build_sanitized
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    unset QT_QPA_PLATFORM
    DEB_BUILD_OPTIONS=nocheck ./dev.sh package
    ;;
  package)
    install_missing "${package_tools[@]}"
    package
    ;;
  *)
    echo "usage: ./dev.sh run | ./dev.sh test | ./dev.sh package" >&2
    exit 64
    ;;
esac
