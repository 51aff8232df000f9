#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine; with no
# arguments also the fuzzing regression inputs (and, under CI, the fuzzers).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kavro_install_packages
# The display first: the build already runs the test program to list its tests.
kavro_display
trap kavro_cleanup EXIT
kavro_build
kavro_wine_prefix
kavro_wine_virtual_desktop

# The whole suite also runs the image path under sanitizers
# (scripts/fuzz.sh): the regression inputs always, each format's target for
# 60 s more under CI. First, so that CTest's summary closes the output.
fuzz_status=0
if [ $# -eq 0 ]; then
    # The regression inputs decide; a new finding of the timed run is
    # reported loudly (it becomes a mend and a regression input), but a random
    # minute must not decide whether a change lands.
    bash "$KAVRO_ROOT/scripts/fuzz.sh" --replay || fuzz_status=1
    if [ "${CI:-}" = "true" ]; then
        bash "$KAVRO_ROOT/scripts/fuzz.sh" 60 ||
            kavro_log "FUZZING FOUND SOMETHING NEW: see the findings folder printed above"
    fi
fi

cd "$KAVRO_BUILD"
# One desktop, one registry: the tests run one after another.
# A test program that Wine fails to start (seen now and then, in 0.02 s
# and without output) gets one more run.
ctest --output-on-failure --timeout 600 --repeat until-pass:2 "$@"
exit $fuzz_status
