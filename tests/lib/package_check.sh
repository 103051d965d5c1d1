#!/bin/sh
# Unpacks the three Debian packages (never installs them), checks what each holds and how it is hardened, and runs
# the programs and the example consumer, through pkg-config and through CMake, from the unpacked tree.
#   package_check.sh PACKAGE_DIR WORKDIR CONSUMER_SOURCES
set -eu
packages=$1
work=$2
sources=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/prologue.sh"
. "$here/consumer.sh"

fresh_dir "$work"
work=$(cd "$work" && pwd)
root=$work/root
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)

# Each package holds exactly its own files, as Debian's policy splits them: the programs, the shared library, and
# what building against the library needs. Each is unpacked on its own first, so that a file in the wrong package
# is named.
check_contents() {
  name=$1
  shift
  deb=$(ls "$packages/${name}"_*_amd64.deb 2>/dev/null | head -1)
  [ -n "$deb" ] || fail "no ${name}_*_amd64.deb in $packages"
  [ "$(dpkg-deb -f "$deb" Package)" = "$name" ] || fail "$deb is not named $name"
  [ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "$deb is not for amd64"
  rm -rf "$work/$name"
  dpkg-deb -x "$deb" "$work/$name" || fail "dpkg-deb -x $deb failed"
  (cd "$work/$name" && find . ! -type d | sed 's,^\./,,' | grep -v "^usr/share/doc/$name/" | sort) >"$work/$name.files"
  printf '%s\n' "$@" | sort >"$work/$name.expected"
  diff -u "$work/$name.expected" "$work/$name.files" >&2 || fail "$name does not hold what it should (- missing, + extra)"
  [ -f "$work/$name/usr/share/doc/$name/copyright" ] || fail "$name has no copyright file"
  dpkg-deb -x "$deb" "$root"
}
check_contents lumohostid usr/bin/lumohostid usr/bin/lumohostid-inspect \
  usr/share/man/man1/lumohostid.1.gz usr/share/man/man1/lumohostid-inspect.1.gz
check_contents liblumohostid1 "$libdir/liblumohostid.so.1" "$libdir/liblumohostid.so.1.0.0"
check_contents liblumohostid-dev usr/include/lumohostid.h "$libdir/liblumohostid.so" "$libdir/liblumohostid.a" \
  "$libdir/pkgconfig/lumohostid.pc" "$libdir/cmake/LumoHostID/LumoHostIDConfig.cmake" \
  "$libdir/cmake/LumoHostID/LumoHostIDConfigVersion.cmake"

# The control data: dependencies worked out from the binaries, and the library's symbols file.
for name in lumohostid liblumohostid1; do
  depends=$(dpkg-deb -f "$packages/${name}"_*_amd64.deb Depends)
  echo "$name Depends: $depends"
  echo "$depends" | grep -q 'libc6 (>= ' || fail "the dependencies of $name were not worked out from the binaries"
done
dpkg-deb --ctrl-tarfile "$packages"/liblumohostid1_*_amd64.deb | tar -xOf - ./symbols >"$work/symbols" \
  || fail "liblumohostid1 has no symbols file"
for function in lumohostid_get lumohostid_strerror lumohostid_check lumohostid_report_json lumohostid_free \
                lumohostid_version; do
  grep -q "^ $function@LUMOHOSTID_1 " "$work/symbols" || fail "the symbols file does not list $function"
done
dpkg-deb -f "$packages"/liblumohostid-dev_*_amd64.deb Depends | grep -q 'liblumohostid1 (= ' \
  || fail "liblumohostid-dev does not depend on its own version of liblumohostid1"

# The binaries carry the hardening of dpkg-buildflags.
sh "$here/hardening_check.sh" readelf nm "$root/usr/bin/lumohostid" "$root/usr/bin/lumohostid-inspect" \
  "$root/$libdir/liblumohostid.so.1.0.0" || fail "the packaged binaries are not hardened"

# The manual pages are well formed: groff formats each without a warning.
for page in lumohostid lumohostid-inspect; do
  warnings=$(gzip -dc "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1 || true)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done

"$root/usr/bin/lumohostid" "/exit:$work/host.txt" || fail "lumohostid exited $?"
expected=$(written_host_id "$work/host.txt")
[ "$(wc -c <"$work/host.txt")" = $((${#expected} + 1)) ] || fail "the output file is not the ID and a zero byte"
"$root/usr/bin/lumohostid-inspect" --json >"$work/report.json" || fail "lumohostid-inspect exited $?"
reported=$(json_host_id "$work/report.json")
[ "$reported" = "$expected" ] || fail "lumohostid-inspect reports '$reported', lumohostid wrote '$expected'"

# The consumer, found through the unpacked tree's pkg-config file and through its CMake package, both of which work
# out the prefix from where they lie; it must use the packaged library.
run_consumer() {
  route=$1
  shift
  build_consumer "$sources" "$work/$route" "$@"
  printed=$(LD_LIBRARY_PATH="$root/$libdir" "$work/$route/host_id") || fail "$route: the consumer exited $?"
  echo "$route: lumohostid '$expected', consumer '$printed'"
  [ "$printed" = "$expected" ] || fail "$route: the consumer prints '$printed', lumohostid wrote '$expected'"
  LD_LIBRARY_PATH="$root/$libdir" ldd "$work/$route/host_id" | grep -q "liblumohostid.so.1 => $root/$libdir/" \
    || fail "$route: the consumer does not use the packaged library"
}
PKG_CONFIG_PATH="$root/$libdir/pkgconfig" run_consumer pkg-config -DUSE_PKG_CONFIG=ON
run_consumer find_package -DCMAKE_PREFIX_PATH="$root/usr"
echo "package check passed"
