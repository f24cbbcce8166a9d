#!/usr/bin/env bash
# Checks that every C++ source of the tree (tracked, or new and not ignored) is laid out as
# .clang-format says.
# Prints the files that are not and exits 1 when there is one; `scripts/check-format.sh --fix`
# formats them in place instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if ! command -v clang-format >/dev/null; then
  echo "format check: clang-format is not installed (scripts/bootstrap.sh test installs it)"
  exit 1
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests bench \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
[ ${#files[@]} -eq 0 ] && { echo "format check: no sources"; exit 0; }

if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi

# One run over all files; each offending file is named in its diagnostics ("file:line:col: ...").
status=0
output=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) || status=$?
mapfile -t bad < <(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: .*/\1/p' <<<"$output" | sort -u)
if [ "$status" -ne 0 ] && [ ${#bad[@]} -eq 0 ]; then
  echo "format check: clang-format failed:"
  echo "$output"
  exit 1
fi
if [ ${#bad[@]} -ne 0 ]; then
  printf 'format check: not formatted: %s\n' "${bad[@]}"
  echo "format check: run scripts/check-format.sh --fix (or clang-format -i on those files)"
  exit 1
fi
echo "format check: ${#files[@]} files formatted"
