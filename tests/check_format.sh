#!/usr/bin/env bash
# Fails when a C or C++ file of the tree differs from what clang-format makes of it with the root
# .clang-format, and names each such file. To fix them: clang-format -i <file>...
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
command -v clang-format >/dev/null || { echo "format: clang-format is missing; scripts/setup installs it" >&2; exit 1; }
drifted=()
while IFS= read -r -d '' file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || drifted+=("${file#./}")
done < <(find . \( -name .git -o -name 'build*' -o -name dist \) -prune -o \
              -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ "${#drifted[@]}" -gt 0 ]; then
    echo "format: ${#drifted[@]} file(s) differ from clang-format's layout (fix: clang-format -i <file>...):"
    printf '  %s\n' "${drifted[@]}"
    exit 1
fi
echo "format: every C and C++ file is as clang-format lays it out"
