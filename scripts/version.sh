#!/bin/sh
# Prints the version the header holds (TRLM_VERSION_MAJOR.MINOR.PATCH).
sed -n 's/^#define TRLM_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\)$/\2/p' \
    "$(dirname "$0")/../include/trelmix/trelmix.h" | paste -sd.
