#!/usr/bin/env bash
# The metadata software centres and menus read passes their validators with nothing to say, and
# the package, the AppStream release and the program carry one version.
#   check_metadata.sh <source folder> <version>
set -euo pipefail
source=$1 version=$2
status=0
fail() { echo "FAIL: $*"; status=1; }

# --strict fails on infos and warnings too; only the pedantic hint on the ID's capital letters
# (fixed by the desktop-file ID, com.tarnwick.Kavla) may remain, and is not shown.
appstreamcli validate --no-net --strict "$source/resources/com.tarnwick.Kavla.metainfo.xml" \
    || fail "appstreamcli validate"
# desktop-file-validate exits with 0 on warnings and hints: any output is a failure here.
report=$(desktop-file-validate "$source/resources/com.tarnwick.Kavla.desktop" 2>&1) || true
[ -z "$report" ] || fail "desktop-file-validate: $report"

changelog=$(sed -n '1s/^kavla (\([^)]*\)).*/\1/p' "$source/debian/changelog")
[ "$changelog" = "$version" ] || fail "debian/changelog is at '$changelog', CMakeLists.txt at '$version'"
release=$(grep -o -m1 '<release version="[^"]*"' "$source/resources/com.tarnwick.Kavla.metainfo.xml" | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metainfo's newest release is '$release', CMakeLists.txt says '$version'"
exit $status
