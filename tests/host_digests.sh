#!/bin/sh
# Prints "SIZE CRC MD5" for each file named, as the recorded oracle reads
# them: the size and CRC from cksum, the digest from md5sum.
set -e
for file in "$@"; do
  set -- $(cksum < "$file")
  crc=$1 size=$2
  md5=$(md5sum < "$file" | cut -c1-32)
  echo "$size $crc $md5"
done
