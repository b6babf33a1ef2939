#!/usr/bin/env bash
# Builds everything and runs every test: the plain code natively under
# AddressSanitizer and UBSan (with short fuzz runs), then the Windows build
# under Wine. The i686 shipping build is built too; it cannot run here.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}"

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset win32
cmake --build --preset win32

cmake --preset win64
cmake --build --preset win64
ensure_display
ctest --preset win64
