#!/bin/sh
# Configures, builds and tests every target: the native Linux build, the Windows cross build (its tests under
# Wine) and the sanitizer build. Stops at the first failure.
set -eu
cd "$(dirname "$0")/.."
for preset in linux sanitize windows; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
echo "=== all tests passed ==="
