#!/usr/bin/env bash
# Installs the test's npm packages from the lock file and runs the page tests
# in Debian's headless Chromium.
set -euo pipefail
cd "$(dirname "$0")"
npm install --no-audit --no-fund --loglevel=error
exec node --test "$@"
