#!/bin/sh
# Installs the build into a fresh prefix and builds the example consumer against that tree, once found through
# pkg-config and once through find_package(LumoHostID); both, the Python example and the installed programs must
# give the same host ID.
#   installed_test.sh BUILD_DIR WORKDIR CONSUMER_SOURCES
set -eu
build=$1
work=$2
sources=$3
. "$(dirname "$0")/../support/prologue.sh"
. "$(dirname "$0")/consumer.sh"

fresh_dir "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed"

# Everything a user of the library needs is in its place.
libdir=$(cd "$prefix" && ls -d lib/*/pkgconfig lib/pkgconfig 2>/dev/null | head -1 | sed 's,/pkgconfig$,,')
[ -n "$libdir" ] || fail "no pkgconfig directory in the installed tree"
for file in bin/lumohostid bin/lumohostid-inspect include/lumohostid.h "$libdir/liblumohostid.so" \
            "$libdir/liblumohostid.so.1" "$libdir/liblumohostid.a" "$libdir/pkgconfig/lumohostid.pc" \
            "$libdir/cmake/LumoHostID/LumoHostIDConfig.cmake" share/man/man1/lumohostid.1.gz \
            share/man/man1/lumohostid-inspect.1.gz; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done

"$prefix/bin/lumohostid" "/exit:$work/host.txt" || fail "the installed lumohostid exited $?"
expected=$(written_host_id "$work/host.txt")

run_consumer() {
  # $1: the name of the route; the rest: the extra configure options.
  route=$1
  shift
  build_consumer "$sources" "$work/$route" "$@"
  # The consumer finds the shared library through the search path the caller sets, as an installed one would.
  printed=$(LD_LIBRARY_PATH="$prefix/$libdir" "$work/$route/host_id") || fail "$route: the consumer exited $?"
  echo "$route: '$printed'"
  [ "$printed" = "$expected" ] || fail "$route: the consumer prints '$printed', lumohostid wrote '$expected'"
  ldd "$work/$route/host_id" | grep -q "liblumohostid.so.1 => $prefix/$libdir/" \
    || fail "$route: the consumer does not use the installed library"
}
PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" run_consumer pkg-config -DUSE_PKG_CONFIG=ON
run_consumer find_package -DCMAKE_PREFIX_PATH="$prefix"

python=$(python3 "$sources/host_id.py" "$prefix/$libdir/liblumohostid.so.1") || fail "the Python example exited $?"
echo "python: '$python'"
[ "$python" = "$expected" ] || fail "the Python example prints '$python', lumohostid wrote '$expected'"

echo "lumohostid: '$expected'; the installed tree works through both routes and from Python"
