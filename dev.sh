#!/usr/bin/env bash
# Sets up what is missing on a Debian 12 machine, builds, and then either
# starts the program (./dev.sh run) or runs every test (./dev.sh test).
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl-dev libqpdf-dev
  nlohmann-json3-dev libtomlplusplus-dev
  libgtest-dev googletest libbenchmark-dev
  fonts-noto-cjk
  poppler-utils time
  file lintian appstream desktop-file-utils
  clang libclang-rt-14-dev
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
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

case "${1:-run}" in
  run)
    install_missing
    build
    # A first start ends in a finished computation: one of the examples.
    exec ./build/kestrane examples/aonly-n8-town.kestrane.toml
    ;;
  test)
    install_missing
    build
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    packaging/check-package.sh build
    build_sanitized
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: ./dev.sh run | ./dev.sh test" >&2
    exit 64
    ;;
esac
