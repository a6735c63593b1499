#!/bin/sh
# Runs each libFuzzer target of tests/fuzz for 1,000,000 executions and prints, per target, the
# executions and the time taken; fails on any finding (inputs kept under build/fuzz/findings/).
exec "$(dirname "$0")/../scripts/fuzz-smoke.sh" -runs=1000000
