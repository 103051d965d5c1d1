#!/bin/sh
# Unpacks the Debian package (never installs it) and runs the programs and the example consumer from the
# unpacked tree.
#   package_check.sh PACKAGE WORKDIR CONSUMER_SOURCES
set -eu
package=$1
work=$2
sources=$3

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -f "$package" ] || fail "$package is missing: cpack has not made it"
rm -rf "$work"
mkdir -p "$work"
root=$work/root
dpkg-deb -x "$package" "$root" || fail "dpkg-deb -x failed"

# The control data: the name, the architecture, and dependencies worked out from the binaries.
[ "$(dpkg-deb -f "$package" Package)" = lumohostid ] || fail "the package is not named lumohostid"
[ "$(dpkg-deb -f "$package" Architecture)" = amd64 ] || fail "the package is not for amd64"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
echo "$depends" | grep -q 'libc6 (>= ' || fail "the dependencies were not worked out from the binaries"

libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)
for file in usr/bin/lumohostid usr/bin/lumohostid-inspect usr/include/lumohostid.h "$libdir/liblumohostid.so" \
            "$libdir/liblumohostid.so.1" "$libdir/liblumohostid.a" "$libdir/pkgconfig/lumohostid.pc" \
            "$libdir/cmake/LumoHostID/LumoHostIDConfig.cmake" "$libdir/cmake/LumoHostID/LumoHostIDConfigVersion.cmake" \
            usr/share/man/man1/lumohostid.1.gz usr/share/man/man1/lumohostid-inspect.1.gz; do
  [ -e "$root/$file" ] || fail "$file is not in the package"
done
# The manual pages are well formed: groff formats each without a warning.
for page in lumohostid lumohostid-inspect; do
  warnings=$(gzip -dc "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1 || true)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done

"$root/usr/bin/lumohostid" "/exit:$work/host.txt" || fail "lumohostid exited $?"
expected=$(tr -d '\000' <"$work/host.txt")
[ "$(wc -c <"$work/host.txt")" = $((${#expected} + 1)) ] || fail "the output file is not the ID and a zero byte"
"$root/usr/bin/lumohostid-inspect" --json >"$work/report.json" || fail "lumohostid-inspect exited $?"
reported=$(sed -n 's/^  "host_id": "\(.*\)",$/\1/p' "$work/report.json")
[ "$reported" = "$expected" ] || fail "lumohostid-inspect reports '$reported', lumohostid wrote '$expected'"

# The consumer, found through the unpacked tree's pkg-config file, which works out its prefix from where it lies.
PKG_CONFIG_PATH="$root/$libdir/pkgconfig" cmake -S "$sources" -B "$work/consumer" -DUSE_PKG_CONFIG=ON \
  >"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "the consumer does not configure"; }
cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 \
  || { cat "$work/consumer.log"; fail "the consumer does not build"; }
printed=$(LD_LIBRARY_PATH="$root/$libdir" "$work/consumer/host_id") || fail "the consumer exited $?"
echo "lumohostid: '$expected'  consumer: '$printed'"
[ "$printed" = "$expected" ] || fail "the consumer prints '$printed', lumohostid wrote '$expected'"
echo "package check passed"
