#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kavro_install_packages
kavro_build
kavro_display
trap kavro_cleanup EXIT
kavro_wine_prefix

cd "$KAVRO_BUILD"
# One desktop, one registry: the tests run one after another.
ctest --output-on-failure --timeout 600 "$@"
