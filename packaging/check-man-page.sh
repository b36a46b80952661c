#!/bin/sh
# check-man-page.sh PAGE.1.gz PROGRAM: the page renders without a warning and
# names every long option the program's --help names.
set -eu
page=$1
program=$2
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || exit 1
if [ -n "$warnings" ]; then
    echo "$warnings"
    exit 1
fi
text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)
status=0
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    case $text in
    *"$option"*) ;;
    *) echo "$page lacks $option"; status=1 ;;
    esac
done
exit $status
