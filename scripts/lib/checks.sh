# Sourced by the scripts that check what they made: a table of checks that all run and all
# report, so that one failure never hides the checks after it.
#   check NAME COMMAND [ARGS...]  runs COMMAND in a subshell with errexit on (a function it names
#                                 stops at its first failure) and prints "ok" or "FAILED" with
#                                 NAME; what COMMAND prints says why
#   checks_report                 prints the count and the failed checks; returns 1 if any failed
#
# A check never pipes a reader that may stop early (grep -q, head, cmp) behind a writer under
# pipefail: the writer dies of SIGPIPE and a sound result reads as a failure. Write to a file
# first, then read the file.
source "$(dirname "${BASH_SOURCE[0]}")/errexit.sh"

checks_passed=0
checks_failed=()

check() {
  local name="$1" rc=0
  shift
  run_errexit "$@"
  rc=$errexit_status
  if [ "$rc" -eq 0 ]; then
    checks_passed=$((checks_passed + 1))
    printf '  ok      %s\n' "$name"
  else
    checks_failed+=("$name")
    printf '  FAILED  %s\n' "$name"
  fi
}

checks_report() {
  echo "== checks: $checks_passed passed, ${#checks_failed[@]} failed"
  local name
  for name in "${checks_failed[@]}"; do echo "   failed: $name"; done
  [ "${#checks_failed[@]}" -eq 0 ]
}
