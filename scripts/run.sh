#!/usr/bin/env bash
# Starts the desktop program on $DISPLAY; until it is built, shows vantora-save at work.
set -euo pipefail
build=${1:-build}
if [ -x "$build/ui/qt/vantora" ]; then
  if [ -z "${DISPLAY:-}" ]; then
    echo "vantora: no X display (set DISPLAY to the X server to run on)" >&2
    exit 1
  fi
  exec "$build/ui/qt/vantora"
fi
sample=$(mktemp -d)
trap 'rm -rf "$sample"' EXIT
out="$PWD/vantora-sample"
mkdir -p "$out"
# A small 24-bit BMP made with our own saver, then saved through every format it knows.
"$build/tools/vantora-make-sample" "$sample/sample.bmp"
for ext in bmp png gif jpg; do
  if "$build/tools/vantora-save" "$sample/sample.bmp" "$out/sample.$ext" 2>"$sample/err"; then
    echo "wrote $out/sample.$ext ($(stat -c %s "$out/sample.$ext") bytes)"
  else
    echo "sample.$ext: $(cat "$sample/err")"
  fi
done
