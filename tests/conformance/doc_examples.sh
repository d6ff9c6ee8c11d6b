#!/usr/bin/env bash
# Runs the examples of the documentation and compares the output they show.
#
#   doc_examples.sh TRELMIX DOC...
#
# A fenced block whose first line is "# file: NAME" is written, whole, to
# NAME in a scratch folder of its document (where examples/ is linked in).
# In a ```console block each "$ COMMAND" line runs there with bash, `trelmix`
# being the built command; the lines after it, up to the next "$ " line or
# the end of the block, are its output (standard output and error together).
#
# Links to #anchors must lead to a heading of their page. Every keyword must
# have its entry, a "#### `KEYWORD`" heading, in docs/language.md, and every
# such heading must name a keyword; every diagnostic's docs anchor must lead to
# a heading there.
set -u
trelmix=$(realpath "$1")
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$trelmix" "$work/bin/trelmix"
failures=0
commands=0

# The compiler's keyword table, one name per line.
keywords() { "$trelmix" keywords --format jsonl | sed -n 's/^{"name":"\([A-Z_]*\)".*/\1/p'; }

fail() { echo "FAIL $*"; failures=$((failures + 1)); }

run_command() {  # WHERE COMMAND DIR: compares with $work/expected
  commands=$((commands + 1))
  (cd "$3" && PATH="$work/bin:$PATH" bash -c "$2") > "$work/actual" 2>&1
  if ! diff -u "$work/expected" "$work/actual" > "$work/diff"; then
    fail "$1: \$ $2"
    cat "$work/diff"
  fi
}

check_doc() {  # DOC (relative to the root)
  local doc=$1 dir=$work/${1//\//_} n=0 fence= first= file= cmd= where= line
  mkdir "$dir"
  ln -s "$root/examples" "$dir/examples"
  while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    if [ -z "$fence" ]; then
      case $line in '```'?*) fence=${line#\`\`\`} first=yes file= ;; esac
      continue
    fi
    if [ "$line" = '```' ]; then
      [ -n "$cmd" ] && run_command "$where" "$cmd" "$dir"
      fence= cmd=
      continue
    fi
    if [ "$first" = yes ] && [[ $line =~ ^#\ file:\ ([^ ]+)$ ]]; then
      file=$dir/${BASH_REMATCH[1]}
      : > "$file"
    fi
    first=
    if [ -n "$file" ]; then
      printf '%s\n' "$line" >> "$file"
    elif [ "$fence" = console ] && [[ $line == '$ '* ]]; then
      [ -n "$cmd" ] && run_command "$where" "$cmd" "$dir"
      cmd=${line#\$ } where=$doc:$n
      : > "$work/expected"
    elif [ -n "$cmd" ]; then
      printf '%s\n' "$line" >> "$work/expected"
    fi
  done < "$root/$doc"
  [ -z "$fence" ] || fail "$doc: a block is not closed"
  # Links within the page lead to a heading (anchors as GitHub makes them).
  local anchors link
  anchors=$(sed -n 's/^#\{1,6\} //p' "$root/$doc" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g')
  for link in $(grep -o '](#[^)]*)' "$root/$doc" | sed 's/^](#//; s/)$//'); do
    grep -qx -- "$link" <<< "$anchors" || fail "$doc: the link #$link leads to no heading"
  done
}

for doc in "$@"; do check_doc "$doc"; done

headings=$(sed -n 's/^#### `\([A-Z_]*\)`.*/\1/p' "$root/docs/language.md" | sort)
known=$(keywords | sort)
[ "$(keywords | wc -l)" -ge 41 ] || fail "the keyword table was not read"
for k in $(comm -23 <(echo "$known") <(echo "$headings")); do fail "docs/language.md: no entry for $k"; done
for k in $(comm -13 <(echo "$known") <(echo "$headings")); do fail "docs/language.md: $k is not a keyword"; done

# Every diagnostic's entry in the docs is a heading of docs/language.md.
anchors=$(sed -n 's/^#\{1,6\} //p' "$root/docs/language.md" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g')
for link in $("$trelmix" check --list-warnings --format jsonl | sed -n 's/.*"docs": "docs\/language.md#\([^"]*\)".*/\1/p'); do
  grep -qx -- "$link" <<< "$anchors" || fail "a diagnostic's docs anchor #$link leads to no heading"
done
[ -n "$link" ] || fail "trelmix check --list-warnings gave no docs anchors"

echo "$commands commands, $failures failed"
[ "$failures" -eq 0 ]
