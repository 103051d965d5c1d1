#!/bin/sh
# The Windows archive, made by CPack from this build's configuration as the target "package" makes it: twice, at
# different times and under different umasks, giving the same bytes; unpacked, one folder holding exactly the
# shipped files (the binaries and the header those of this build), whose SHA256SUMS checks; and both programs run
# from the unpacked folder under Wine, giving the host ID that the built program gives.
#   archive-test.sh WORKDIR WINE_RUN CPACK CPACK_CONFIG VERSION MAIN INSPECT LIBRARY_DLL IMPORT_LIBRARY HEADER LICENSE
set -eu
work=$1 wine_run=$2 cpack=$3 config=$4 version=$5 main=$6 inspect=$7 library=$8 import_library=$9 header=${10}
license=${11}
folder=LumoHostID-$version-win64
archive=$folder.zip

fail() {
  echo "FAIL: $*" >&2
  status=1
}
status=0

rm -rf "$work"
mkdir -p "$work"

# pack DIR [umask]: the archive, made into DIR.
pack() {
  (umask "${2:-022}" && "$cpack" -G ZIP --config "$config" -B "$1") >"$1.log" 2>&1 ||
    { cat "$1.log" >&2; echo "FAIL: cpack exited $?" >&2; exit 1; }
  [ -f "$1/$archive" ] || { ls "$1" >&2; echo "FAIL: cpack made no $archive" >&2; exit 1; }
}
pack "$work/one"
sleep 1
pack "$work/two" 077
cmp -s "$work/one/$archive" "$work/two/$archive" || fail "two archives of one build differ"
echo "archive: $(sha256sum <"$work/one/$archive")"

# The date of every member is SOURCE_DATE_EPOCH when it is set, and the members are listed by name, whatever order
# the file system gave them in.
SOURCE_DATE_EPOCH=1700000000 pack "$work/dated"
members() {
  python3 -c 'import sys, zipfile
infos = zipfile.ZipFile(sys.argv[1]).infolist()
print(" ".join(sorted({"%04d-%02d-%02d %02d:%02d:%02d" % i.date_time for i in infos})))
print("sorted" if [i.filename for i in infos] == sorted(i.filename for i in infos) else "unsorted")' "$1"
}
[ "$(members "$work/dated/$archive")" = "2023-11-14 22:13:20
sorted" ] || fail "with SOURCE_DATE_EPOCH=1700000000 the members are: $(members "$work/dated/$archive")"

mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$work/one/$archive") || { echo "FAIL: cannot unpack $archive" >&2; exit 1; }
[ "$(ls -A "$work/unpacked")" = "$folder" ] ||
  { echo "FAIL: the archive holds $(ls -A "$work/unpacked"), not one folder $folder" >&2; exit 1; }
unpacked=$work/unpacked/$folder

# What the folder must hold, one file a line, with the file of this build it must equal ("-" when made for it).
expected_files=$(cat <<EOF
LumoHostID.exe $main
lumohostid-inspect.exe $inspect
lumohostid.dll $library
liblumohostid.dll.a $import_library
lumohostid.h $header
README.txt -
LICENSE.txt -
SHA256SUMS -
EOF
)
held=$(cd "$unpacked" && find . -mindepth 1 | sed 's|^\./||' | sort)
wanted=$(echo "$expected_files" | cut -d' ' -f1 | sort)
[ "$held" = "$wanted" ] || fail "the folder holds
$held
instead of
$wanted"
echo "$expected_files" | while read -r name built; do
  [ "$built" = - ] || cmp -s "$unpacked/$name" "$built" || { echo "FAIL: $name is not the build's $built" >&2; exit 1; }
done || status=1
for name in LumoHostID.exe lumohostid-inspect.exe lumohostid.dll; do
  [ -x "$unpacked/$name" ] || fail "$name is not executable once unpacked"
done

# SHA256SUMS names every other file once and checks.
[ "$(cut -c67- "$unpacked/SHA256SUMS" | sort)" = "$(echo "$wanted" | grep -vx SHA256SUMS)" ] ||
  fail "SHA256SUMS names $(cut -c67- "$unpacked/SHA256SUMS" | tr '\n' ' ')"
(cd "$unpacked" && sha256sum -c --quiet --strict SHA256SUMS) || fail "sha256sum -c SHA256SUMS failed"

# The text files: Windows line ends; the licence is the repository's; the README names the version, every file
# and both ways of running the program.
for name in README.txt LICENSE.txt; do
  [ "$(tr -d '\r' <"$unpacked/$name" | wc -l)" = "$(grep -c "$(printf '\r')\$" "$unpacked/$name")" ] ||
    fail "$name has a line not ended by CR LF"
done
tr -d '\r' <"$unpacked/LICENSE.txt" | cmp -s - "$license" || fail "LICENSE.txt is not the repository's LICENSE"
for word in "$version" $wanted "/exit:<path>" "Double-click" "Exit codes"; do
  [ "$word" = README.txt ] || grep -qF -- "$word" "$unpacked/README.txt" || fail "README.txt does not mention $word"
done

# Both programs from the unpacked folder, against the built program run elsewhere.
mkdir -p "$work/reference"
(cd "$work/reference" && "$wine_run" "$main" /exit:id.txt) || { echo "FAIL: the reference run exited $?" >&2; exit 1; }
expected=$(tr -d '\000' <"$work/reference/id.txt")
[ -n "$expected" ] || { echo "FAIL: the built program wrote no host ID" >&2; exit 1; }
(cd "$unpacked" && "$wine_run" ./LumoHostID.exe '/exit:..\id.txt') || fail "the unpacked LumoHostID.exe exited $?"
written=$(tr -d '\000' <"$work/unpacked/id.txt" 2>/dev/null || echo "(no file)")
[ "$written" = "$expected" ] || fail "the unpacked LumoHostID.exe wrote '$written', not '$expected'"
(cd "$unpacked" && "$wine_run" ./lumohostid-inspect.exe --json | tr -d '\r' >../report.json) ||
  fail "the unpacked lumohostid-inspect.exe exited $?"
reported=$(sed -n 's/^  "host_id": "\(.*\)",$/\1/p' "$work/unpacked/report.json")
[ "$reported" = "$expected" ] || fail "the unpacked lumohostid-inspect.exe reported '$reported', not '$expected'"

[ "$status" = 0 ] && echo "$archive: the same twice, $(echo "$wanted" | wc -l) files, both programs gave '$expected'"
exit $status
