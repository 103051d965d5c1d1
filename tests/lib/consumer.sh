# The example consumer, built against an installed or unpacked tree; sourced after tests/support/prologue.sh.

# build_consumer SOURCES DIR [CONFIGURE_OPTION...]: configures and builds the consumer in DIR, its log in DIR.log,
# shown when either step fails.
build_consumer() {
  consumer_sources=$1
  consumer_dir=$2
  shift 2
  cmake -S "$consumer_sources" -B "$consumer_dir" "$@" >"$consumer_dir.log" 2>&1 \
    || { cat "$consumer_dir.log"; fail "$(basename "$consumer_dir"): the consumer does not configure"; }
  cmake --build "$consumer_dir" >>"$consumer_dir.log" 2>&1 \
    || { cat "$consumer_dir.log"; fail "$(basename "$consumer_dir"): the consumer does not build"; }
}
