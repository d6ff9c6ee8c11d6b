# Reading examples/*.scans, shared by the demo and the conformance driver.
#
# A scans file holds one record per line in the syntax of a `trelmix run`
# RECORD argument (\xHH is a byte, \\ a backslash). Blank lines and lines
# starting with '#' are skipped. "--code-type N" sets the code type of the
# records after it; any other line starting with "--" is an option of the
# whole run (--keyboard, --caps-lock, ...).

# scans_options FILE: the run options, one per line.
scans_options() {
  grep -E '^--' "$1" | grep -vE '^--code-type( |$)' || true
}

# scans_records FILE: "CODE_TYPE<TAB>RECORD" per record.
scans_records() {
  local code=0 line
  while IFS= read -r line || [ -n "$line" ]; do
    case $line in
      '' | '#'*) continue ;;
      '--code-type '*) code=${line#--code-type }; continue ;;
      --*) continue ;;
    esac
    printf '%s\t%s\n' "$code" "$line"
  done < "$1"
}

# record_hex RECORD: the record's bytes in upper-case hex.
record_hex() {
  local rest=${1//\\\\/}
  rest=$(printf '%s' "$rest" | sed -E 's/\\x[0-9A-Fa-f]{2}//g')
  case $rest in *\\*) echo "bad escape in record: $1" >&2; return 1 ;; esac
  printf '%b' "$1" | od -An -v -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'
}

# scans_jsonl FILE: the records as `trelmix run --jsonl` input lines.
scans_jsonl() {
  local code record hex
  while IFS=$'\t' read -r code record; do
    hex=$(record_hex "$record") || return 1
    printf '{"hex": "%s", "code_type": %s}\n' "$hex" "$code"
  done < <(scans_records "$1")
}
