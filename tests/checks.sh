# The shell suites' tally, sourced once a suite has set $work, its scratch folder.
#   check DESCRIPTION COMMAND...  runs COMMAND and prints "ok" or "FAIL", with the
#                                 end of what a failing command printed
#   checks_done                   prints the counts; fails if any check failed
passed=0 failed=0
check() {
    local what=$1; shift
    if "$@" >"$work/last.log" 2>&1; then passed=$((passed + 1)); echo "ok   $what"
    else failed=$((failed + 1)); echo "FAIL $what"; sed 's/^/     /' "$work/last.log" | tail -20; fi
}
checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}
