#!/usr/bin/env bash
# After the end-to-end backups with 7-Zip: every archive they kept must pass Debian's 7zz test and
# hold exactly one file, the backup file under its bare name, equal byte for byte to the file the
# server wrote.
#   check_7z_archives.sh EVIDENCE_DIR   (one folder per test: archive.7z and the backup file)
set -uo pipefail
evidence=$1
if [ ! -d "$evidence" ] || [ -z "$(ls -A "$evidence" 2>/dev/null)" ]; then
  echo "no archives were kept by the 7-Zip backup tests in $evidence" >&2
  exit 1
fi
command -v 7zz >/dev/null || { echo "7zz (Debian package 7zip) is not installed" >&2; exit 1; }
status=0
for dir in "$evidence"/*/; do
  dir=${dir%/}  # 7zz reads a doubled slash as something else than one
  archive=$dir/archive.7z
  mapfile -t backups < <(find "$dir" -maxdepth 1 -name '*.bak')
  if [ ! -f "$archive" ] || [ "${#backups[@]}" -ne 1 ]; then
    echo "FAIL $dir: archive or its one backup file missing"; status=1; continue
  fi
  backup=${backups[0]}
  name=$(basename "$backup")
  7zz t "$archive" >/dev/null || { echo "FAIL $dir: 7zz t"; status=1; continue; }
  listed=$(7zz l -slt -ba "$archive" | sed -n 's/^Path = //p')
  if [ "$listed" != "$name" ]; then
    echo "FAIL $dir: the archive holds [$listed], not [$name]"; status=1; continue
  fi
  extracted=$(mktemp)
  7zz x -so "$archive" "$name" >"$extracted" 2>/dev/null
  if cmp -s "$extracted" "$backup"; then
    echo "ok   $dir (7zz: $name, $(stat -c %s "$backup") bytes in $(stat -c %s "$archive"))"
  else
    echo "FAIL $dir: $name extracted differs from the backup file"; status=1
  fi
  rm -f "$extracted"
done
exit $status
