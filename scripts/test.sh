#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kavro_install_packages
# The display first: the build already runs the test program to list its tests.
kavro_display
trap kavro_cleanup EXIT
kavro_build
kavro_wine_prefix
kavro_wine_virtual_desktop

cd "$KAVRO_BUILD"
# One desktop, one registry: the tests run one after another.
ctest --output-on-failure --timeout 600 "$@"
