#!/usr/bin/env bash
# Tells whether this kernel runs 32-bit x86 programs: it writes a 93-byte 32-bit ELF program that
# only exits with code 0 and starts it. Kernels built without IA-32 emulation (or with it switched
# off) refuse it with "Exec format error". Exit status 0 when 32-bit programs run; otherwise 1 and
# one line on standard output that says why. DW_FORCE_NO_32BIT=1 makes it answer "no" on any
# kernel, so that the path of machines without 32-bit programs can be tried on one that has them.
set -u
if [ "${DW_FORCE_NO_32BIT:-0}" = 1 ]; then
  echo "DW_FORCE_NO_32BIT=1 is set"
  exit 1
fi
probe=$(mktemp "${TMPDIR:-/tmp}/dw-elf32-XXXXXX") || { echo "no temporary file for the probe"; exit 1; }
trap 'rm -f "$probe"' EXIT
# ELF32 header, one loadable segment, and: mov eax,1; xor ebx,ebx; int 0x80 (exit(0)).
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
if err=$("$probe" 2>&1); then
  exit 0
fi
echo "this kernel does not run 32-bit programs (${err:-the probe program failed})"
exit 1
