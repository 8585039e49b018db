#!/usr/bin/env bash
# Each Windows program carries the kit's version record: version 0.9.1 is
# the record 0.9.0.1, whose text form is "0.09.0001" (minor in two digits,
# revision in four), read back from the built program's resources.
#   version_record.sh WINDRES VERSION EXE...
set -u
windres=$1 version=$2
shift 2
IFS=. read -r major minor revision <<<"$version"
record="$major, $minor, 0, $revision"
text=$(printf '%d.%02d.%04d' "$major" "$minor" "$revision")
status=0
for exe in "$@"; do
  rc=$("$windres" -i "$exe" -O rc 2>&1) || { echo "FAILED: $windres -i $exe: $rc"; exit 1; }
  found=$(grep -E '^ *(FILEVERSION|PRODUCTVERSION) |"(FileVersion|ProductVersion)"' <<<"$rc" |
          sed 's/^ *//' | tr '\n' ';')
  echo "$(basename "$exe"): $found"
  want="FILEVERSION $record;PRODUCTVERSION $record;VALUE \"FileVersion\", \"$text\";"
  want+="VALUE \"ProductVersion\", \"$text\";"
  [ "$found" = "$want" ] || { echo "FAILED: expected $want"; status=1; }
done
exit $status
