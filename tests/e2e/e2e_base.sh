# The part every end-to-end case shares, whatever it runs on: a work folder of its own, the
# processes it started (ended on exit, after the case's own `before_cleanup` if it defines one),
# failing with the logs, and waiting on conditions by the clock.
set -u

work=$(mktemp -d)
pids=()
cleanup() {
  declare -F before_cleanup >/dev/null && before_cleanup
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "--- $log" >&2; tail -n 60 "$log" >&2; }; done
  exit 1
}

now_ms() { date +%s%3N; }
# Polls until the command succeeds or the seconds (by the clock, not by tries: a loaded machine
# makes each try slower) run out.
wait_until() {
  local deadline=$(($(now_ms) + $1 * 1000))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.02
  done
}
