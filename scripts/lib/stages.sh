# Sourced by the scripts: times their stages so that a run can say where its time went.
#   timed NAME COMMAND [ARGS...]  runs COMMAND and, when QUORVEL_STAGE_LOG names a file, appends
#                                 "seconds<TAB>ok|failed<TAB>NAME" to it; keeps COMMAND's status.
#                                 COMMAND runs in a subshell with errexit on, so a function it
#                                 names stops at its first failure, and sets nothing outside
#   stage_log_own                 a script run on its own (no QUORVEL_STAGE_LOG from a caller)
#                                 keeps a log of its own and prints its table when it ends
#   stage_table [FILE]            prints the table of a stage log, with its total
source "$(dirname "${BASH_SOURCE[0]}")/errexit.sh"

timed() {
  local name="$1" start=$SECONDS rc=0
  shift
  run_errexit "$@"
  rc=$errexit_status
  if [ -n "${QUORVEL_STAGE_LOG:-}" ]; then
    local status=ok
    [ "$rc" -eq 0 ] || status=failed
    printf '%s\t%s\t%s\n' "$((SECONDS - start))" "$status" "$name" >>"$QUORVEL_STAGE_LOG"
  fi
  return "$rc"
}

stage_log_own() {
  [ -z "${QUORVEL_STAGE_LOG:-}" ] || return 0
  QUORVEL_STAGE_LOG="$(mktemp)"
  export QUORVEL_STAGE_LOG
  trap 'stage_table; rm -f "$QUORVEL_STAGE_LOG"' EXIT
}

stage_table() {
  local log="${1:-${QUORVEL_STAGE_LOG:-}}"
  [ -n "$log" ] && [ -s "$log" ] || return 0
  echo "== time table (seconds per stage)"
  awk -F'\t' '{ printf "%6d  %-6s  %s\n", $1, $2, $3; total += $1 }
    END { printf "%6d  total of the stages (%d min %d s)\n", total, total / 60, total % 60 }' "$log"
}
