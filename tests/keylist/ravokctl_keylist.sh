#!/usr/bin/env bash
# ravokctl keylist on files of its own: write then export gives the exact binary, and every
# failure is the status text on stderr with exit status 1.
set -u
ctl=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf '0123456789ABCDEF\r\nFFFFFFFFFFFFFFFF\n0000000000000002\n' >"$dir/keys.txt"
printf 'depot 4\n' >"$dir/desc.txt"
out=$("$ctl" keylist write "$dir/keys.txt" "$dir/list.xml" --crcc 42 --version 2.0 \
      --description "$dir/desc.txt") || fail "write"
[ "$out" = "Ready: 3 lines" ] || fail "write said '$out'"
grep -q '<data type="2" crcc="42" ver="2.0" release=' "$dir/list.xml" || fail "data attributes"
grep -q '<description>depot 4</description>' "$dir/list.xml" || fail "description"

"$ctl" keylist export "$dir/list.xml" "$dir/list.bin" >/dev/null || fail "export"
expected=$( (printf '\xfe\xed\xfa\xce\x30\x00\x00\x00\x02\x00\x01\x00\x2a\x00\x00\x00'
             printf '0123456789ABCDEFFFFFFFFFFFFFFFFF0000000000000002'
             head -c 208 /dev/zero | tr '\0' '\377') | od -An -tx1)
[ "$(od -An -tx1 "$dir/list.bin")" = "$expected" ] || fail "binary differs"

check_error() {  # expected stderr, then the command
  local want=$1; shift
  local err rc
  err=$("$@" 2>&1 >/dev/null); rc=$?
  [ $rc -eq 1 ] || fail "exit $rc for $*"
  [ "$err" = "$want" ] || fail "stderr '$err', wanted '$want'"
}
printf '0123456789ABCDEF\n0123456789ABCDE\n' >"$dir/bad.txt"
check_error "Error in line: 2 data: 0123456789ABCDE" "$ctl" keylist write "$dir/bad.txt" "$dir/bad.xml"
[ ! -e "$dir/bad.xml" ] || fail "bad.xml written"
check_error "Can not read file: $dir/none.txt" "$ctl" keylist write "$dir/none.txt" "$dir/x.xml"
printf '<ravok><data type="1" crcc="1"><text>0123456789ABCDEF</text></data></ravok>' >"$dir/t1.xml"
check_error "Can not read file: $dir/t1.xml" "$ctl" keylist export "$dir/t1.xml" "$dir/x.bin"
check_error "Can not write file: $dir/no/x.bin" "$ctl" keylist export "$dir/list.xml" "$dir/no/x.bin"
echo "ravokctl keylist: all cases passed"
