# Sourced by stages.sh and checks.sh.
#   run_errexit COMMAND [ARGS...]  runs COMMAND in a subshell with errexit on, so a function it
#                                  names stops at its first failure and sets nothing outside;
#                                  puts COMMAND's status in errexit_status and returns 0.
# The status is not the return value on purpose: a caller that wrote `run_errexit ... || rc=$?`
# would run the subshell where bash ignores errexit, and a failing step would go unnoticed.
run_errexit() {
  set +e
  (
    set -e
    "$@"
  )
  errexit_status=$?
  set -e
}
