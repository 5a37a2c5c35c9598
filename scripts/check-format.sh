#!/usr/bin/env bash
# Every C++ file as .clang-format lays it out (Debian 12's clang-format 14);
# lists the files that are not and fails. To fix: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh clang-format
bad=0
while IFS= read -r -d '' f; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f" >&2
    bad=1
  fi
done < <(git ls-files -z '*.cpp' '*.h')
exit "$bad"
