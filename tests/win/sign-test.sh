#!/bin/sh
# scripts/sign-windows.sh signs copies of the three shipped binaries with a throwaway self-signed certificate:
# osslsigncode finds an SHA-256 Authenticode signature by that certificate on each, whose digest matches the file,
# the originals stay as they were, and the signed programs (and a program using the signed library) still give the
# host ID under Wine. Then each bad call is refused with its exit code and leaves the binary untouched.
#   sign-test.sh WORKDIR WINE_RUN SIGN_SCRIPT MAIN INSPECT LIBRARY_DLL CONSUMER
set -eu
work=$1 wine_run=$2 sign=$3 main=$4 inspect=$5 library=$6 consumer=$7

fail() {
  echo "FAIL: $*" >&2
  status=1
}
status=0

for tool in osslsigncode openssl; do
  command -v $tool >/dev/null 2>&1 || { echo "FAIL: $tool is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/cert" "$work/reference" "$work/signed"

# The certificate: a key and a self-signed code-signing certificate, packed with a password into a PKCS#12 file.
subject="LumoHostID signing test $$"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$subject" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/cert/key.pem" -out "$work/cert/cert.pem" 2>/dev/null
echo "test password $$" >"$work/cert/password"
openssl pkcs12 -export -inkey "$work/cert/key.pem" -in "$work/cert/cert.pem" -out "$work/cert/cert.pfx" \
  -passout "file:$work/cert/password"

# The host ID as the unsigned program gives it.
(cd "$work/reference" && "$wine_run" "$main" /exit:id.txt) || { echo "FAIL: the reference run exited $?" >&2; exit 1; }
expected=$(tr -d '\000' <"$work/reference/id.txt")
[ -n "$expected" ] || { echo "FAIL: the unsigned program wrote no host ID" >&2; exit 1; }
echo "host ID of the unsigned program: '$expected'"

# signed FILE: osslsigncode verifies FILE's signature against the test certificate as the only trusted one. Prints
# nothing and succeeds when the signature is there, by that certificate, with SHA-256, and matches the file.
signed() {
  report=$(osslsigncode verify -CAfile "$work/cert/cert.pem" -in "$1" 2>&1) || { echo "verification failed"; return 1; }
  current=$(echo "$report" | sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p')
  calculated=$(echo "$report" | sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p')
  algorithm=$(echo "$report" | sed -n 's/^Message digest algorithm *: *//p' | head -1)
  [ -n "$current" ] && [ "$current" = "$calculated" ] || { echo "digest '$current' against '$calculated'"; return 1; }
  [ "$algorithm" = SHA256 ] || { echo "digest algorithm '$algorithm'"; return 1; }
  echo "$report" | grep -q "Subject: /CN=$subject\$" || { echo "no signer $subject"; return 1; }
  echo "$report" | grep -q '^Signature verification: ok$' || { echo "signature not ok"; return 1; }
}

binaries="$main $inspect $library"
for binary in $binaries; do
  name=$(basename "$binary")
  cp "$binary" "$work/signed/"
  # The check itself can fail: an unsigned binary has no signature to find.
  signed "$binary" >/dev/null && { echo "FAIL: $name counts as signed before signing" >&2; exit 1; }
done
# shellcheck disable=SC2086
originals=$(sha256sum $binaries)

(cd "$work/signed" && "$sign" --cert ../cert/cert.pfx --password-file ../cert/password \
  "$(basename "$main")" "$(basename "$inspect")" "$(basename "$library")") || fail "signing exited $?"
for binary in $binaries; do
  name=$(basename "$binary")
  why=$(signed "$work/signed/$name") || fail "$name is not signed: $why"
  [ -x "$work/signed/$name" ] || fail "$name lost its execute permission"
  cmp -s "$binary" "$work/signed/$name" && fail "the signed $name is the unsigned file"
done
ls -a "$work/signed" | grep -q '^\.sign\.' && fail "signing left a temporary folder behind"
# shellcheck disable=SC2086
[ "$(sha256sum $binaries)" = "$originals" ] || fail "signing the copies changed the build's binaries"

# The signed binaries still work, each from the folder it was signed in.
(cd "$work/signed" && "$wine_run" ./"$(basename "$main")" /exit:id.txt) || fail "the signed program exited $?"
written=$(tr -d '\000' <"$work/signed/id.txt" 2>/dev/null || echo "(no file)")
[ "$written" = "$expected" ] || fail "the signed $(basename "$main") wrote '$written'"
(cd "$work/signed" && "$wine_run" ./"$(basename "$inspect")" --json | tr -d '\r' >report.json) ||
  fail "the signed $(basename "$inspect") exited $?"
reported=$(sed -n 's/^  "host_id": "\(.*\)",$/\1/p' "$work/signed/report.json")
[ "$reported" = "$expected" ] || fail "the signed $(basename "$inspect") reported '$reported'"
cp "$consumer" "$work/signed/"
(cd "$work/signed" && "$wine_run" ./"$(basename "$consumer")" | tr -d '\r' >consumer.txt) ||
  fail "$(basename "$consumer") exited $? with the signed library"
[ "$(cat "$work/signed/consumer.txt")" = "$expected" ] ||
  fail "$(basename "$consumer") printed '$(cat "$work/signed/consumer.txt")' with the signed library"

# Bad calls, one a line: the exit code expected, then the arguments, run in a folder holding a copy of the unsigned
# program as victim.exe, which no bad call may change. (A time-stamping server that refuses every
# connection makes the signing fail, which shows that the server is asked.)
mkdir -p "$work/bad"
cp "$main" "$work/bad/victim.exe"
echo "another password" >"$work/cert/wrong-password"
pristine=$(sha256sum <"$work/bad/victim.exe")
while read -r code args; do
  [ -n "$code" ] || continue
  # shellcheck disable=SC2086
  (cd "$work/bad" && eval "\"\$sign\" $args" >out.txt 2>&1) && got=0 || got=$?
  [ "$got" = "$code" ] || fail "sign-windows.sh $args exited $got, not $code: $(cat "$work/bad/out.txt")"
  [ "$code" = 0 ] || [ -s "$work/bad/out.txt" ] || fail "sign-windows.sh $args failed without a message"
  [ "$(sha256sum <"$work/bad/victim.exe")" = "$pristine" ] || fail "sign-windows.sh $args changed the binary"
  ls -a "$work/bad" | grep -q '^\.sign\.' && fail "sign-windows.sh $args left a temporary folder behind"
  [ -x "$work/bad/victim.exe" ] || fail "sign-windows.sh $args took the execute permission"
done <<'EOF'
2 victim.exe
2 --cert
2 --cert ../cert/cert.pfx
2 --cert ../cert/missing.pfx --password-file ../cert/password victim.exe
2 --cert ../cert/cert.pfx --password-file ../cert/missing victim.exe
2 --cert ../cert/cert.pfx --password-file ../cert/password victim.exe missing.exe
2 --cert ../cert/cert.pfx --password-file ../cert/password --frobnicate victim.exe
1 --cert ../cert/cert.pfx --password-file ../cert/wrong-password victim.exe
1 --cert ../cert/cert.pfx --password-file ../cert/password --timestamp http://127.0.0.1:9/ victim.exe
EOF
# The last call's messages: the signing failed at the server given.
grep -q 'http://127.0.0.1:9/' "$work/bad/out.txt" || fail "the time-stamping server was not asked"

[ "$status" = 0 ] && echo "all three binaries signed with SHA-256; the signed programs gave '$expected'"
exit $status
