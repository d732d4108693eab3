#!/usr/bin/env bash
# Fails when a tracked C++ source differs from the root .clang-format.
#   tools/check-format.sh          list the files that differ
#   tools/check-format.sh --fix    reformat them in place
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
differing=()
for f in "${sources[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || differing+=("$f")
done
if [ ${#differing[@]} -gt 0 ]; then
  printf 'check-format: %s differs from .clang-format\n' "${differing[@]}" >&2
  echo "check-format: run tools/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: ${#sources[@]} files match .clang-format"
