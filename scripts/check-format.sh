#!/usr/bin/env bash
# Fails, naming each file, when a tracked .cpp or .h differs from what
# clang-format 14 makes of it under the repository's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."

failed=0
while IFS= read -r -d '' file; do
    if ! clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (clang-format-14 -i $file)" >&2
        failed=1
    fi
done < <(git ls-files -z -- '*.cpp' '*.h')
exit "$failed"
