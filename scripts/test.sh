#!/bin/sh
# Configures, builds and tests every target: the native Linux build, the Windows cross build (its tests under
# Wine), the sanitizer build and the Debian package (built, unpacked and checked), then runs every fuzzer for a
# minute. Stops at the first failure.
set -eu
cd "$(dirname "$0")/.."
for preset in linux sanitize windows package; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
echo "=== fuzz ==="
scripts/fuzz.sh "${LUMO_FUZZ_SECONDS:-60}"
echo "=== all tests passed ==="
