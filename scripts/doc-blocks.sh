#!/usr/bin/env bash
# Prints the fenced code blocks of one language from a Markdown file, so that
# the tests compile and run the code the documents show.
#   doc-blocks.sh FILE LANG       every ```LANG block, in order
#   doc-blocks.sh FILE LANG N     only the Nth (from 1)
# C blocks come with #line directives: the compiler names the document's lines.
set -eu
[ $# -ge 2 ] || { echo "usage: doc-blocks.sh FILE LANG [N]" >&2; exit 2; }
awk -v lang="$2" -v want="${3:-0}" -v file="$1" '
  /^```/ {
    if (fence) { fence = 0; ours = 0; next }
    fence = 1
    if ($0 == "```" lang && (want == 0 || ++n == want)) {
      ours = 1
      found = 1
      if (lang == "c") printf "#line %d \"%s\"\n", NR + 1, file
    }
    next
  }
  ours { print }
  END { if (!found) { print "doc-blocks.sh: no ```" lang " block" (want ? " number " want : "") " in " file > "/dev/stderr"; exit 1 } }
' "$1"
