#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build, run and test LumoHostID.
#   scripts/setup.sh           everything the tests and the release need
#   scripts/setup.sh --quick   only what building and running the Linux programs needs
# Safe to run again: apt-get only installs what is missing.
set -eu

# What the Linux programs need to build (also the build dependencies of the Debian packages).
packages="build-essential cmake nlohmann-json3-dev"
case ${1:-} in
  --quick) ;;
  '') packages="$packages
  git pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev valgrind
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 xvfb xauth imagemagick
  iproute2 coreutils hyperfine python3
  dpkg-dev debhelper lintian groff-base
  osslsigncode openssl
" ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  $sudo apt-get install -y -qq $missing
fi
