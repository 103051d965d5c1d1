#!/bin/sh
# Signs Windows binaries in place with an Authenticode signature (SHA-256), by Debian's osslsigncode.
#
#   scripts/sign-windows.sh --cert CERT.pfx [--password-file FILE] [--timestamp URL] BINARY...
#
# --cert           the certificate and its private key, as a PKCS#12 file (.pfx, .p12)
# --password-file  a file whose first line is the PKCS#12 file's password (so that it never shows in a process list);
#                  without it the PKCS#12 file is read without a password
# --timestamp      an RFC 3161 time-stamping server; its counter-signature keeps the signature valid after the
#                  certificate has expired
#
# Every argument and every file is checked before the first binary is touched. Each binary is signed into a
# temporary file beside it, which then replaces it, so that a failed signing leaves the binary as it was.
# Exit codes: 0 all signed, 1 a signing failed, 2 bad arguments or a missing file.
set -eu

usage() {
  echo "usage: $0 --cert CERT.pfx [--password-file FILE] [--timestamp URL] BINARY..." >&2
  exit 2
}

die() {
  echo "$0: $*" >&2
  exit 2
}

cert=""
password_file=""
timestamp=""
while [ $# -gt 0 ]; do
  case $1 in
    --cert|--password-file|--timestamp)
      [ $# -ge 2 ] && [ -n "$2" ] || die "$1 needs a value"
      case $1 in
        --cert) cert=$2 ;;
        --password-file) password_file=$2 ;;
        --timestamp) timestamp=$2 ;;
      esac
      shift 2 ;;
    --help|-h) usage ;;
    --) shift; break ;;
    -*) echo "$0: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done

[ -n "$cert" ] || { echo "$0: --cert is required" >&2; usage; }
[ $# -gt 0 ] || { echo "$0: no binary to sign" >&2; usage; }
command -v osslsigncode >/dev/null 2>&1 || die "osslsigncode is not installed (scripts/setup.sh installs it)"
[ -f "$cert" ] && [ -r "$cert" ] || die "cannot read the certificate $cert"
[ -z "$password_file" ] || { [ -f "$password_file" ] && [ -r "$password_file" ]; } ||
  die "cannot read the password file $password_file"
for binary in "$@"; do
  [ -f "$binary" ] && [ -r "$binary" ] && [ -w "$binary" ] || die "cannot read and write the binary $binary"
done

status=0
# The list of binaries is expanded once, when the loop starts; the positional parameters are then free to hold each
# signing's options (sh has no arrays, and a path may hold spaces).
for binary in "$@"; do
  # The temporary folder lies beside the binary, on the same file system, so that the move replaces it at once.
  temp=$(mktemp -d "$(dirname "$binary")/.sign.XXXXXX")
  signed=$temp/$(basename "$binary")
  if [ -n "$password_file" ]; then
    set -- -readpass "$password_file"
  else
    set -- -pass ""
  fi
  [ -z "$timestamp" ] || set -- "$@" -ts "$timestamp"
  if osslsigncode sign -pkcs12 "$cert" "$@" -h sha256 -n LumoHostID -in "$binary" -out "$signed" >"$temp/log" 2>&1
  then
    chmod "$(stat -c %a "$binary")" "$signed"
    mv -f "$signed" "$binary"
    echo "signed $binary"
  else
    cat "$temp/log" >&2
    echo "$0: signing $binary failed; it is left unsigned" >&2
    status=1
  fi
  rm -rf "$temp"
done
exit $status
