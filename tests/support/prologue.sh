# The common start of the shell tests, sourced by each right after it has read its arguments:
#   . "$(dirname "$0")/../support/prologue.sh"

# fail MESSAGE...: names the failure on standard error and ends the test with exit code 1.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# fresh_dir DIR: DIR made anew and empty, so that nothing a run before left in it can pass for this run's output.
fresh_dir() {
  rm -rf "$1"
  mkdir -p "$1"
}

# written_host_id FILE: the host ID in an output file of the main program, without the zero byte that ends it.
written_host_id() {
  tr -d '\000' <"$1"
}

# json_host_id FILE: the value of the top-level "host_id" of a JSON report.
json_host_id() {
  sed -n 's/^  "host_id": "\(.*\)",$/\1/p' "$1"
}
