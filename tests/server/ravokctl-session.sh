#!/usr/bin/env bash
# RavokSrv with its library and the sandbox database, driven by the manager's console client
# ravokctl --server: list, devices, setmode, a tracker command, a refused login.
#   ravokctl-session.sh RAVOKSRV RAVOKCTL SANDBOX_DIR
set -euo pipefail
srv=$(realpath "$1") ctl=$(realpath "$2") sandbox=$(realpath "$3")
work=$(mktemp -d /tmp/ravok-ctl-XXXXXX)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

free_port() {
  local p
  for _ in $(seq 1 50); do
    p=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  return 1
}
sqlv() { grep "^$1=" "$sandbox/sandbox.cfg" | cut -d= -f2; }
db() {
  mariadb --no-defaults -h127.0.0.1 -P"$(sqlv SQL_PORT)" -u"$(sqlv SQL_USER)" -p"$(sqlv SQL_PASSWD)" \
    "$(sqlv SQL_DATABASE)" -N -e "$1"
}

telnet=$(free_port)
cat > "$work/Server.cfg" <<CFG
DEVICE_PORT=$(free_port)
TELNET_PORT=$telnet
LOG_FILE=$work/server.log
SQL_DATABASE=$(sqlv SQL_DATABASE)
SQL_HOST=$(sqlv SQL_HOST)
SQL_USER=$(sqlv SQL_USER)
SQL_PASSWD=$(sqlv SQL_PASSWD)
SQL_PORT=$(sqlv SQL_PORT)
TELNET_PASSWD=ctl-pw
RCV_TIMEOUT=30
SND_TIMEOUT=30
CMMD_TIMEOUT=60
SQL_TIMEOUT=60
DRIVER_DIR=$work/
SCANNER_DIR=$work/
FIRMWARE_DIR=$work/
UBLOX_TOKEN=
CFG

db "delete from devices where imei like '35999%'"
db "insert into devices(imei,dscr,udpmode) values('359990000000001','ctl truck',0),('359990000000002','ctl van',1)"

(cd "$work" && exec "$srv" >/dev/null 2>"$work/stderr") &
pid=$!
for _ in $(seq 1 100); do
  grep -q "App: LibVersion=" "$work/server.log" 2>/dev/null && break
  sleep 0.1
done
grep -q "App: LibVersion=" "$work/server.log" || fail "server did not start: $(cat "$work/stderr")"

run() { QT_QPA_PLATFORM=offscreen "$ctl" --server "127.0.0.1:$telnet" --password ctl-pw "$@"; }

list=$(run list)
echo "$list" | grep -qx "359990000000001,ctl truck,[0-9]*,,0,0,0,,0,,0" || fail "list: $list"
echo "$list" | grep -qx "359990000000002,ctl van,[0-9]*,,0,0,0,,0,,0" || fail "list: $list"

run setmode 359990000000001 2 || fail "setmode"
[ "$(db "select udpmode from devices where imei='359990000000001'")" = 2 ] || fail "mode not stored"

devices=$(run devices)
echo "$devices" | grep -q "^ctl truck,2,359990000000001," || fail "devices: $devices"
echo "$devices" | grep -q "^ctl van,1,359990000000002," || fail "devices: $devices"

if run read 359990000000001 >/dev/null 2>&1; then fail "read of a tracker that is not connected"; fi
if QT_QPA_PLATFORM=offscreen "$ctl" --server "127.0.0.1:$telnet" --password wrong list >/dev/null 2>&1; then
  fail "wrong password accepted"
fi

db "delete from devices where imei like '35999%'"
kill "$pid"
wait "$pid" || fail "exit code $? after SIGTERM"
pid=""
echo "ravokctl session: list, devices, setmode, read and a refused login as expected"
