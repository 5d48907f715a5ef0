#!/usr/bin/env bash
# A hundred SIGKILLs at seeded random moments of a 300,000-contact ADIF import
# (the test suite runs ten). Usage: bench/kill_import.sh [BUILD_DIR] [KILLS]
set -euo pipefail
build="${1:-build}"
MORVEL_KILLS="${2:-100}" "$build/bin/morvel_safety_tests" \
    --gtest_filter='SafetyTest.KilledImportLeavesTheDatabaseBeforeOrAfter'
