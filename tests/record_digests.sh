#!/bin/sh
# Rewrites tests/recorded_digests.inc: the MD5 digests, computed by OpenSSL on
# this machine, of every message the tests ask the oracle about, for the
# builds that run without OpenSSL (Windows, s390x). Run it after changing the
# tests' data. The self-test's digest is left out: it
# changes with every build, and those builds take it from the build machine's
# md5sum instead.
set -e
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
record=$(mktemp)
trap 'rm -f "$record"' EXIT
ZAR_RECORD_DIGESTS=$record build/release/tests/zar_unit_tests >/dev/null
ZAR_RECORD_DIGESTS=$record build/release/tests/zar_end_to_end_tests \
  --gtest_filter='-*NoArgument*' >/dev/null
# Not run under the emulators by default, but they can be run there.
ZAR_RECORD_DIGESTS=$record build/release/tests/zar_large_tests >/dev/null
{
  echo "// The digests of the tests' messages as OpenSSL computed them, by size"
  echo "// and cksum CRC. Written by tests/record_digests.sh: do not edit."
  sort -u "$record" | sort -n -k1,1 -k2,2 | awk '{ printf "{%su, %su, \"%s\"},\n", $1, $2, $3 }'
} > tests/recorded_digests.inc
echo "tests/recorded_digests.inc: $(sort -u "$record" | wc -l) digests"
