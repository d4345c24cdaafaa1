#!/bin/sh
# Stands in for the web browser: Wine's browser launcher runs it with the
# address, and it appends each argument as one line to $KAVONIX_BROWSER_LOG.
log=${KAVONIX_BROWSER_LOG:-/tmp/kavonix-browser.log}
for argument in "$@"; do
    printf '%s\n' "$argument" >> "$log"
done
