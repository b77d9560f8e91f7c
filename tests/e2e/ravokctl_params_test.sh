#!/usr/bin/env bash
# ravokctl decode / encode / defaults as scripts use them: exit statuses, stdin mode,
# UTF-8 text and whole-configuration round trips.
set -u
ctl=${1:?usage: ravokctl_params_test.sh PATH_TO_RAVOKCTL}
failures=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# check NAME EXPECTED_STATUS EXPECTED_STDOUT [STDIN] -- ARGS...
check() {
  local name=$1 want_rc=$2 want_out=$3 input=$4
  shift 5
  local out rc
  out=$(printf '%s' "$input" | "$ctl" "$@" 2>"$tmp/err")
  rc=$?
  if [[ $rc != "$want_rc" || "$out" != "$want_out" ]]; then
    echo "FAIL $name: status $rc (want $want_rc)"
    echo "  stdout: $out"
    echo "  want:   $want_out"
    echo "  stderr: $(cat "$tmp/err")"
    failures=$((failures + 1))
  fi
}

# Expects stderr of the last check to contain text.
stderr_has() {
  if ! grep -qF -- "$2" "$tmp/err"; then
    echo "FAIL $1: stderr lacks '$2': $(cat "$tmp/err")"
    failures=$((failures + 1))
  fi
}

van='0100 1000 56616e203132 00000000000000000000'
check decode-blanks-lower-case 0 'Description=Van 12' '' -- decode "$van"
check decode-split-words 0 'Description=Van 12' '' -- decode $van
check decode-viewer 0 'ChangeEvent=10,2,2,2800,2500' '' -- decode --viewer B4000C000A000202 00002F45 00401C45
check decode-main 0 'ChangeEvent1=10,2,2,2800,2500' '' -- decode B4000C000A000202 00002F45 00401C45
check decode-raw-delete 0 'FFFF0004=07000200' '' -- decode FFFF040007000200
check decode-latin1-to-utf8 0 'Description=Vän ÿ' '' -- decode 0100100056E46E20FF0000000000000000000000
check decode-short 1 '' '' -- decode 01001000E4
stderr_has decode-short 'ERROR: '
check decode-odd-digits 1 '' '' -- decode 0100100
check decode-len-above-256 1 '' '' -- decode "0100 0101 $(printf '%0514d' 0)"

check encode-line 0 '0100100056616E20313200000000000000000000' '' -- encode 'Description=Van 12'
check encode-utf8-to-latin1 0 '0100100056E46E20FF0000000000000000000000' '' -- encode 'Description=Vän ÿ'
check encode-low-8-bits 0 '0100100056AC6E00000000000000000000000000' '' -- encode 'Description=V€n'
check encode-malformed-utf8 1 '' '' -- encode $'Description=V\xffn'
check encode-extra-field 1 '' '' -- encode 'Negation=1,2,3,4,5,6,7,8,9'
stderr_has encode-extra-field 'field'
check encode-non-hex-pair 1 '' '' -- encode '03E70002=01G1'
stderr_has encode-non-hex-pair 'G1'

# stdin: one result per line, in order; failures in place; CR/LF stripped.
check encode-stdin 1 $'0100100056E46E00000000000000000000000000\nERROR: no \'=\' in the line\n110002002CFF' \
  $'Description=Vän\r\nbogus\nMaxAngle=300,-1\n' -- encode -
check decode-stdin 1 $'Negation=4\nERROR: odd number of hex digits\n03E70000=' \
  $'AD000800 0400060000000000\n123\nE7030000\n' -- decode -
check decode-stdin-ok 0 $'Description=Vän\nMaxAngle=44,255' \
  $'0100100056E46E00000000000000000000000000\r\n110002002CFF\n' -- decode -

# Usage errors and help.
check no-argument 2 '' '' -- decode
check unknown-option 2 '' '' -- decode --bogus 0000
check two-lines 2 '' '' -- encode a=1 b=2
check dash-with-more 2 '' '' -- decode - 00
check defaults-argument 2 '' '' -- defaults now
for cmd in decode encode defaults; do
  help=$("$ctl" "$cmd" --help 2>/dev/null)
  if [[ $? != 0 || "$help" != usage:*"$cmd"* ]]; then
    echo "FAIL help-$cmd: $help"
    failures=$((failures + 1))
  fi
done

# The whole default configuration through the command line: encode every line, decode
# every record, and get the same lines back.
"$ctl" defaults >"$tmp/defaults" 2>"$tmp/err"
rc=$?
lines=$(wc -l <"$tmp/defaults")
if [[ $rc != 0 || $lines != 434 ]]; then
  echo "FAIL defaults: status $rc, $lines lines (want 0, 434)"
  failures=$((failures + 1))
fi
for name in CanSniffer1 CanSniffer2 AccessKey; do stderr_has defaults "$name"; done
head -1 "$tmp/defaults" | grep -qx 'Description=RavokECO' || { echo "FAIL defaults: first line"; failures=$((failures + 1)); }
tail -1 "$tmp/defaults" | grep -qx 'TermID24=0' || { echo "FAIL defaults: last line"; failures=$((failures + 1)); }
if ! "$ctl" encode - <"$tmp/defaults" >"$tmp/records"; then
  echo "FAIL defaults: a default line does not encode"
  failures=$((failures + 1))
fi
"$ctl" decode - <"$tmp/records" >"$tmp/again"
if ! cmp -s "$tmp/defaults" "$tmp/again"; then
  echo "FAIL defaults: lines change through encode and decode"
  diff "$tmp/defaults" "$tmp/again" | head
  failures=$((failures + 1))
fi

if ((failures)); then
  echo "$failures failures"
  exit 1
fi
echo "all ravokctl parameter checks passed"
