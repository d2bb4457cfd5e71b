#!/bin/sh
# Stands in for the web browser: appends the URL it is given to a file beside itself.
printf '%s\n' "$1" >> "$(dirname "$0")/browser-urls.txt"
