#!/usr/bin/env bash
# After the end-to-end backup tests: every archive they kept must pass the test of a standard
# archiver on this machine (7-Zip, else unzip), and hold the backup file under its bare name, equal
# byte for byte to the file the server wrote.
#   check_archives.sh EVIDENCE_DIR   (one folder per test: archive.rar and the backup file)
set -uo pipefail
evidence=$1
if [ ! -d "$evidence" ] || [ -z "$(ls -A "$evidence" 2>/dev/null)" ]; then
  echo "no archives were kept by the backup tests in $evidence" >&2
  exit 1
fi
if command -v 7z >/dev/null; then tool=7z; elif command -v unzip >/dev/null; then tool=unzip; else
  echo "neither 7z nor unzip is installed" >&2; exit 1
fi
status=0
for dir in "$evidence"/*/; do
  archive=$dir/archive.rar
  if [ "$(find "$dir" -maxdepth 1 -name '*.bak' | wc -l)" -gt 1 ]; then
    echo "FAIL $dir: more than one backup file kept"; status=1; continue
  fi
  backup=$(find "$dir" -maxdepth 1 -name '*.bak' | head -n 1)
  name=$(basename "$backup")
  if [ ! -f "$archive" ] || [ -z "$backup" ]; then
    echo "FAIL $dir: archive or backup file missing"; status=1; continue
  fi
  if [ "$tool" = 7z ]; then
    7z t "$archive" >/dev/null || { echo "FAIL $dir: 7z t"; status=1; continue; }
    extracted=$(mktemp) && 7z x -so "$archive" "$name" >"$extracted" 2>/dev/null
  else
    unzip -tq "$archive" >/dev/null || { echo "FAIL $dir: unzip -t"; status=1; continue; }
    extracted=$(mktemp) && unzip -p "$archive" "$name" >"$extracted"
  fi
  if cmp -s "$extracted" "$backup"; then
    echo "ok   $dir ($tool: $name, $(stat -c %s "$backup") bytes)"
  else
    echo "FAIL $dir: $name extracted differs from the backup file"; status=1
  fi
  rm -f "$extracted"
done
exit $status
