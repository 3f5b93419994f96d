#!/usr/bin/env bash
# The page's tests in headless Chromium: installs playwright-core from the
# committed lock file (no browser is downloaded: the test drives Debian's
# /usr/bin/chromium), then runs page_test.mjs against build/web and the
# release build's vesper-render. Screenshots land in build/web-test/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
if [ ! -d node_modules/playwright-core ]; then
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
fi
exec node page_test.mjs
