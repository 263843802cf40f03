#!/usr/bin/env bash
# Non-blank, non-comment C++ lines of tests/ against src/, and their ratio.
# Usage: tools/test-ratio.sh [repository root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
count() {
    find "$1" -name '*.cpp' -o -name '*.h' | sort | xargs cat | python3 -c '
import re, sys
text = sys.stdin.read()
# Drop block comments, then line comments outside string literals, then blank lines.
text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
n = 0
for line in text.splitlines():
    stripped = re.sub(r"^\s*//.*$", "", line).strip()
    if stripped:
        n += 1
print(n)'
}
src=$(count src)
tests=$(count tests)
python3 -c "print(f'src {$src} lines, tests {$tests} lines, tests/src {100*$tests/$src:.1f}%')"
