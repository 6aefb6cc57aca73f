#!/bin/sh
# system32_test.sh PREFIX PROGRAM RUNNER...: runs the 32-bit PROGRAM through
# RUNNER (Wine, prefix PREFIX) on a System32 file that differs from its
# SysWOW64 namesake, and checks that it printed the System32 file's size and
# digest, computed here by the build machine's md5sum, under the name given.
set -e
prefix=$1 program=$2
shift 2
file=notepad.exe
name="C:\\windows\\system32\\$file"
output=$("$@" "$program" "$name" </dev/null 2>&1 | tr -d '\r') || true
system32=$prefix/drive_c/windows/system32/$file
syswow64=$prefix/drive_c/windows/syswow64/$file
if [ ! -f "$system32" ] || [ ! -f "$syswow64" ] || cmp -s "$system32" "$syswow64"; then
  printf '%s\n' "The prefix $prefix has no differing System32 and SysWOW64 $file:" \
    "not a 64-bit prefix, so the case cannot be checked."
  exit 1
fi
size=$(wc -c < "$system32")
md5=$(md5sum < "$system32" | cut -c1-32)
expected="Input file: \"$name\" opened
Size=$size, MD5=$md5"
case "$output" in
  *"$expected"*) exit 0 ;;
esac
# printf, not echo: the names hold backslashes.
printf '%s\n' "Expected, after the banner:" "$expected" "Printed:" "$output" \
  "(SysWOW64's $file has MD5 $(md5sum < "$syswow64" | cut -c1-32))"
exit 1
