#!/bin/sh
# Checks that a Windows program carries its resources, read back from the
# .exe by the resource compiler itself:
#   check_resources.sh WINDRES PROGRAM VERSION
# VERSION is the project's version, such as 1.0.0. The version resource must
# name the product and give that version for file and product; the
# application manifest must ask for the invoker's rights, declare every
# Windows from 7 to 11 and long-path awareness.
set -eu
windres=$1 program=$2 version=$3
resources=$("$windres" -i "$program" -O rc) || {
  echo "$program: its resources cannot be read"
  exit 1
}

failed=0
expect() {
  if ! printf '%s\n' "$resources" | grep -q -F -- "$1"; then
    echo "$program: missing $2: $1"
    failed=1
  fi
}

numbers=$(printf '%s' "$version.0.0.0" | cut -d. -f1-4 | sed 's/\./, /g')
expect "1 VERSIONINFO" "the version resource"
expect " FILEVERSION $numbers" "the file version"
expect " PRODUCTVERSION $numbers" "the product version"
expect 'VALUE "ProductName", "zar_uv5"' "the product name"
expect 'VALUE "FileDescription", "MD5 file checksum"' "the description"
expect "VALUE \"FileVersion\", \"$version\"" "the file version text"
expect "VALUE \"ProductVersion\", \"$version\"" "the product version text"

# The manifest is resource 1 of type 24 (RT_MANIFEST), the one Windows reads
# when it starts the program; windres shows it as quoted lines, each double
# quote doubled.
manifest=$(printf '%s\n' "$resources" |
  sed -n '/^1 24 /,/^END/p' | sed 's/""/"/g')
resources=$manifest
expect "<assembly" "an application manifest (resource 1 of type 24)"
expect 'requestedExecutionLevel level="asInvoker"' "asInvoker"
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  expect "<supportedOS Id=\"{$os}\"/>" "a supported Windows"
done
expect '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' \
  "long-path awareness"

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "$program: version $version, manifest with asInvoker, Windows 7 to 11, longPathAware"
