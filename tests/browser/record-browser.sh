#!/bin/sh
# Stands in for the web browser. Wine's browser launcher runs the command
# listed in its registry ("record-browser.sh <log>") with the address added;
# every address is appended to the log as one line.
log=$1
shift
for address in "$@"; do
    printf '%s\n' "$address" >> "$log"
done
