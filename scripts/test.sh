#!/bin/sh
# Configures, builds and tests every target: the native Linux build, the sanitizer build and the Windows cross
# build (its tests under Wine); then builds the release twice in two fresh clones and compares the files byte for
# byte (with lintian on the Debian packages), unpacks the packages and checks them; then runs every fuzzer for a
# minute. Stops at the first failure.
set -eu
cd "$(dirname "$0")/.."
for preset in linux sanitize windows; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
echo "=== release, built twice ==="
scripts/release.sh --twice
echo "=== Debian packages ==="
sh tests/lib/package_check.sh build/release build/package-check examples/consumer
echo "=== fuzz ==="
scripts/fuzz.sh "${LUMO_FUZZ_SECONDS:-60}"
echo "=== all tests passed ==="
