#!/bin/sh
# The editor support's tests: the grammar cases of this folder (NAME.trelmix,
# assertions in their comment lines) through vscode-tmgrammar-test, then
# check.mjs. The npm packages pinned in editors/vscode/package-lock.json are
# installed there with `npm ci` when they are missing.
#
#   run.sh TRELMIX      TRELMIX: the built trelmix command
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../../editors/vscode"
if [ ! -x node_modules/.bin/vscode-tmgrammar-test ]; then
  npm ci --no-audit --no-fund
fi
node_modules/.bin/vscode-tmgrammar-test --compact --config package.json "$here/*.trelmix"
node "$here/check.mjs" "$1"
