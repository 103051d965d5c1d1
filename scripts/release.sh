#!/bin/sh
# Builds every release file of the last commit into build/release/: the Windows programs, the DLL and its import
# library, the Windows archive LumoHostID-<version>-win64.zip, and the three Debian packages, each from a
# fresh clone of HEAD, so that nothing in the working tree (changed files, earlier builds) goes into a release and
# dpkg-buildpackage writes its files outside it. Then writes build/release/SHA256SUMS and checks the packages with
# lintian: any error or warning fails.
#
#   scripts/release.sh           build once
#   scripts/release.sh --twice   then build everything again in another fresh clone at another path, later, and
#                                compare: every file must be byte-identical; each one that differs is named (and
#                                shown by diffoscope when it is installed)
#
# SOURCE_DATE_EPOCH, when not set, is the last commit's time (dpkg-buildpackage takes the changelog's).
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
twice=no
case ${1:-} in
  --twice) twice=yes ;;
  '') ;;
  *) echo "usage: $0 [--twice]" >&2; exit 2 ;;
esac
jobs=${LUMO_JOBS:-2}
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "note: the working tree has uncommitted changes; the release is built from the last commit without them" >&2
fi
commit=$(git rev-parse HEAD)
commit_time=$(git log -1 --format=%ct)
release=$top/build/release
work=$(mktemp -d "${TMPDIR:-/tmp}/lumohostid-release.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# build OUTDIR CLONE_PATH: clones HEAD to CLONE_PATH and builds every release file into OUTDIR.
build() {
  out=$1
  clone=$2
  rm -rf "$out"
  mkdir -p "$out" "$(dirname "$clone")"
  git clone --quiet --no-local --no-checkout "$top" "$clone"
  git -C "$clone" -c advice.detachedHead=false checkout --quiet --detach "$commit"
  log=$out.log
  echo "--- building in $clone (log: $log)"

  # Windows: the programs, the library and the archive, no tests.
  (
    export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$commit_time}"
    cmake -S "$clone" -B "$clone/build/windows" -DCMAKE_TOOLCHAIN_FILE="$clone/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DLUMO_BUILD_TESTS=OFF
    cmake --build "$clone/build/windows" -j "$jobs"
    cmake --build "$clone/build/windows" --target package
  ) >"$log" 2>&1 || { tail -40 "$log" >&2; echo "FAIL: the Windows build failed (see $log)" >&2; exit 1; }
  win=$clone/build/windows
  cmake --install "$win" --prefix "$win/installed" >>"$log" 2>&1
  cp "$win/installed/bin/LumoHostID.exe" "$win/installed/bin/lumohostid-inspect.exe" \
     "$win/installed/bin/lumohostid.dll" "$win/installed/lib/liblumohostid.dll.a" "$out/"
  cp "$win"/LumoHostID-*-win64.zip "$out/"

  # Debian: dpkg-buildpackage writes the packages, and the .changes file lintian reads, beside the clone.
  (cd "$clone" && dpkg-buildpackage -us -uc -b -j"$jobs") >>"$log" 2>&1 \
    || { tail -40 "$log" >&2; echo "FAIL: dpkg-buildpackage failed (see $log)" >&2; exit 1; }
  cp "$(dirname "$clone")"/*.deb "$out/"
  (cd "$out" && sha256sum -- * >"$work/SHA256SUMS.$$" && mv "$work/SHA256SUMS.$$" SHA256SUMS)
  check_files "$out" "$clone"
}

# check_files OUTDIR CLONE_PATH: what would make a rebuild differ, found in one build. The PE header of each
# Windows binary and the export directory of the DLL hold no link time, and no file names the clone's path (the
# packages and the Windows archive are unpacked to look inside).
check_files() {
  bad=0
  for binary in "$1"/*.exe "$1"/*.dll; do
    headers=$(x86_64-w64-mingw32-objdump -p "$binary")
    stamp=$(echo "$headers" | sed -n 's/^Time\/Date[[:space:]]*//p' | head -1)
    [ "$stamp" = "Thu Jan  1 00:00:00 1970" ] || { echo "FAIL: $(basename "$binary") was linked at $stamp" >&2; bad=1; }
    case $binary in
      *.dll)
        stamp=$(echo "$headers" | sed -n 's/^Time\/Date stamp[[:space:]]*//p')
        [ "$stamp" = 0 ] || { echo "FAIL: the export directory of $(basename "$binary") holds $stamp" >&2; bad=1; } ;;
    esac
  done
  rm -rf "$1.unpacked"
  mkdir -p "$1.unpacked"
  for deb in "$1"/*.deb; do
    dpkg-deb -x "$deb" "$1.unpacked/$(basename "$deb")"
  done
  # The Windows archive holds the very binaries released beside it.
  for zip in "$1"/*.zip; do
    [ -e "$zip" ] || continue
    unpacked=$1.unpacked/$(basename "$zip")
    mkdir -p "$unpacked"
    (cd "$unpacked" && cmake -E tar xf "$zip")
    for name in LumoHostID.exe lumohostid-inspect.exe lumohostid.dll liblumohostid.dll.a; do
      cmp -s "$1/$name" "$unpacked/$(basename "$zip" .zip)/$name" ||
        { echo "FAIL: $name in $(basename "$zip") is not the released $name" >&2; bad=1; }
    done
  done
  for file in $(grep -rlaF -- "$2" "$1" "$1.unpacked"); do
    echo "FAIL: $file holds the build path $2" >&2
    bad=1
  done
  rm -rf "$1.unpacked"
  [ $bad -eq 0 ] || exit 1
}

start=$(date +%s)
build "$release" "$work/one/lumohostid"
echo "--- release files, built in $(($(date +%s) - start)) s:"
cat "$release/SHA256SUMS"

# Debian's own checker on what was built: no error and no warning.
echo "--- lintian"
lintian --fail-on error,warning "$work"/one/lumohostid_*.changes || { echo "FAIL: lintian" >&2; exit 1; }

[ "$twice" = yes ] || exit 0

# The second build: another clone at a path of another length, at a later time.
start=$(date +%s)
second=$work/second
build "$second/files" "$work/second/rebuilt-at-another-path/lumohostid"
echo "--- second build in $(($(date +%s) - start)) s; comparing"
: >"$work/differences"
(ls "$release"; ls "$second/files") | sort -u | while read -r name; do
  if [ ! -e "$release/$name" ] || [ ! -e "$second/files/$name" ]; then
    echo "DIFFERS: $name is made by only one of the builds" >>"$work/differences"
  elif ! cmp -s "$release/$name" "$second/files/$name"; then
    echo "DIFFERS: $name" >>"$work/differences"
    if command -v diffoscope >/dev/null 2>&1; then
      timeout 300 diffoscope "$release/$name" "$second/files/$name" | head -200 || true
    else
      cmp -l "$release/$name" "$second/files/$name" | head -20 || true
    fi
  fi
done
cat "$work/differences"
if [ -s "$work/differences" ]; then
  echo "FAIL: the two builds differ" >&2
  exit 1
fi
echo "--- both builds gave the same $(ls "$release" | wc -l) files"
