#!/usr/bin/env bash
# ql8810(1) tells of every command and option that `ql8810 --help` and each
# command's --help name: a command or option added to the tool and not to
# its manual page fails here.
#   man_page_test.sh TOOL MAN_PAGE_GZ
set -u
tool=$1 page=$2
# The page's text, roff's escapes and fonts taken out.
text=$(gzip -dc "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g; s/\\(em/-/g')
help=$("$tool" --help)
commands=$(sed -n '/^Commands:/,/^Options:/p' <<<"$help" | awk '/^  [a-z]/ { print $1 }')
words=$( (
  echo "$commands"
  for command in $commands; do "$tool" "$command" --help; done
  echo "$help"
) | grep -oE -- '(^| |\[)--[a-z0-9-]+' | sed 's/^[ [ ]*//' | sort -u)
failures=0
for command in $commands; do
  # A command's entry starts its line: "watch [--json] [--count N]".
  grep -qE "^$command( |$)" <<<"$text" || {
    echo "FAIL: command $command is not in $(basename "$page")"
    failures=$((failures + 1))
  }
done
for option in $words; do
  grep -qF -- "$option" <<<"$text" || {
    echo "FAIL: option $option is not in $(basename "$page")"
    failures=$((failures + 1))
  }
done
[ "$failures" -eq 0 ] && echo "$(basename "$page"): $(wc -w <<<"$commands") commands and $(wc -w <<<"$words") options, each in the page"
exit $((failures > 0))
