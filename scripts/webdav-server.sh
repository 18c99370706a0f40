#!/bin/bash
# The loopback Apache WebDAV server of the integration tests.
#
#   webdav-server.sh populate ROOT                   write the tree every test may rely on into ROOT
#   webdav-server.sh start ROOT RUNDIR [OWNER_PID]   serve ROOT at http://127.0.0.1:PORT/dav/
#   webdav-server.sh stop RUNDIR                     stop it and wait until it has gone
#   webdav-server.sh fixture-start DIR               for CTest: a fresh DIR/root served from DIR/run,
#                                                    and the scripted misbehaving servers in DIR/scripted-*
#   webdav-server.sh fixture-stop DIR                stop what fixture-start started
#
# Test programs that cannot start Linux programs themselves (Windows ones under Wine) find the
# fixture's servers through DIR: run/port, run/tls-port, root/ and scripted-*/port.
#
# start writes RUNDIR/port (and RUNDIR/tls-port when openssl can make a certificate, RUNDIR/server.crt
# being the certificate a client may trust) once the
# server listens. The server stops by itself when OWNER_PID (default: the caller) ends, so a
# crashed test run leaves nothing behind. Basic authentication guards /dav/private/ with the
# user "tester" and the password "secret".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apache=${APACHE2:-/usr/sbin/apache2}

die() { echo "webdav-server: $*" >&2; exit 1; }

# Apache cannot be asked for port 0, so ports are drawn at random and a taken one is retried.
random_port() { echo $((20000 + RANDOM % 30000)); }

prepare() {
  local root=$1 rundir=$2
  mkdir -p "$rundir/lock" "$rundir/docroot" "$rundir/cgi"
  printf '#!/bin/sh\nsleep 3\nprintf "Content-Type: text/plain\\r\\n\\r\\nlate\\n"\n' >"$rundir/cgi/slow.cgi"
  chmod 755 "$rundir/cgi/slow.cgi"
  htpasswd -bcB "$rundir/htpasswd" tester secret >/dev/null 2>&1 || die "htpasswd failed"
  chmod 644 "$rundir/htpasswd"
  if [ "$(id -u)" = 0 ]; then   # Apache refuses to serve as root: the workers run as www-data
    export DAV_USER=${DAV_USER:-www-data} DAV_GROUP=${DAV_GROUP:-www-data}
    chown -R "$DAV_USER:$DAV_GROUP" "$root" "$rundir/lock"
  else
    export DAV_USER=$(id -un) DAV_GROUP=$(id -gn)
  fi
}

write_tls_conf() {
  local rundir=$1 port=$2
  : >"$rundir/tls.conf"
  command -v openssl >/dev/null || return 0
  # Names the loopback addresses too, so a client that trusts this certificate can verify it.
  [ -f "$rundir/server.crt" ] || openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1" \
    -keyout "$rundir/server.key" -out "$rundir/server.crt" >/dev/null 2>&1 || return 0
  cat >"$rundir/tls.conf" <<CONF
LoadModule socache_shmcb_module /usr/lib/apache2/modules/mod_socache_shmcb.so
LoadModule ssl_module /usr/lib/apache2/modules/mod_ssl.so
SSLSessionCache "shmcb:$rundir/ssl_cache(51200)"
Listen 127.0.0.1:$port
<VirtualHost 127.0.0.1:$port>
    SSLEngine on
    SSLCertificateFile "$rundir/server.crt"
    SSLCertificateKeyFile "$rundir/server.key"
</VirtualHost>
CONF
}

start() {
  local root rundir owner=${3:-$PPID}
  root=$(realpath "$1"); rundir=$(realpath -m "$2")
  [ -d "$root" ] || die "no such folder: $root"
  prepare "$root" "$rundir"
  export DAV_ROOT=$root DAV_RUNDIR=$rundir DAV_OFFERED_NAME=${DAV_OFFERED_NAME:-../escape.txt}
  for _ in 1 2 3 4 5 6 7 8; do
    export DAV_PORT; DAV_PORT=$(random_port)
    local tls_port=$((DAV_PORT + 1))
    write_tls_conf "$rundir" "$tls_port"
    rm -f "$rundir/httpd.pid" "$rundir/error.log"
    "$apache" -f "$here/webdav-httpd.conf" -DFOREGROUND >"$rundir/stdout.log" 2>&1 </dev/null &
    local pid=$!
    echo "$pid" >"$rundir/master.pid"
    for _ in $(seq 200); do   # the pid file appears once every port is bound
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      if [ -s "$rundir/httpd.pid" ]; then
        echo "$DAV_PORT" >"$rundir/port"
        [ -s "$rundir/tls.conf" ] && echo "$tls_port" >"$rundir/tls-port"
        # Stops the server when its owner ends, however that happens.
        (trap '' HUP; while kill -0 "$owner" 2>/dev/null && kill -0 "$pid" 2>/dev/null; do sleep 1; done
         kill -TERM "$pid" 2>/dev/null) >/dev/null 2>&1 </dev/null &
        return 0
      fi
      sleep 0.05
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    grep -q "Address already in use" "$rundir/stdout.log" "$rundir/error.log" 2>/dev/null || break
  done
  cat "$rundir/stdout.log" "$rundir/error.log" >&2 2>/dev/null || true
  die "apache2 did not start"
}

# The tree the tests rely on; tests that write use names of their own. big.bin's bytes follow the
# formula of TDavServer::BigContent.
populate() {
  local root=$1
  mkdir -p "$root/Документы/Вложенная папка" "$root/private/inner" "$root/offered" "$root/upload"
  printf 'hello, world\n' >"$root/a.txt"
  python3 -c 'import sys; n = 1536 * 1024 + 7
sys.stdout.buffer.write(bytes(97 + (i * 7 + i // 4096) % 26 for i in range(n)))' >"$root/big.bin"
  printf 'отчёт\n' >"$root/Документы/Отчёт за год.txt"
  printf 'x' >"$root/Документы/Вложенная папка/x.txt"
  printf 'secret content' >"$root/private/s.txt"
  printf 'inner secret' >"$root/private/inner/t.txt"
  printf 'offered' >"$root/offered/report.bin"
  : >"$root/upload/.keep"
}

# Started by CTest, the servers outlive this script and stop with CTest itself at the latest.
fixture_start() {
  local dir owner=$PPID
  dir=$(realpath -m "$1")
  fixture_stop "$dir"
  rm -rf "$dir"
  mkdir -p "$dir/root"
  populate "$dir/root"
  start "$dir/root" "$dir/run" "$owner"
  local scripted=$here/../tests/Support/scripted-http-server.py
  mkdir -p "$dir/scripted-ipv4" "$dir/scripted-ipv6"
  python3 "$scripted" "$dir/scripted-ipv4/port" 127.0.0.1 3600 "$owner" || die "the scripted HTTP server did not start"
  # Not every machine has an IPv6 loopback; tests skip what needs it when there is no port file.
  python3 "$scripted" "$dir/scripted-ipv6/port" ::1 3600 "$owner" 2>/dev/null || rm -rf "$dir/scripted-ipv6"
}

fixture_stop() {
  local dir=$1 pid
  [ -d "$dir" ] || return 0
  if [ -d "$dir/run" ]; then (stop "$dir/run"); fi
  for file in "$dir"/scripted-*/port.pid; do
    [ -f "$file" ] || continue
    pid=$(cat "$file")
    if grep -q scripted-http-server "/proc/$pid/cmdline" 2>/dev/null; then kill -TERM "$pid" 2>/dev/null || true; fi
    rm -f "$file"
  done
}

stop() {
  local rundir=$1 pid
  [ -f "$rundir/master.pid" ] || exit 0
  pid=$(cat "$rundir/master.pid")
  kill -0 "$pid" 2>/dev/null || exit 0
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = apache2 ] || die "process $pid is not apache2"
  kill -TERM "$pid"
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null || grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null; then exit 0; fi
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

usage="usage: $0 populate ROOT | start ROOT RUNDIR [OWNER_PID] | stop RUNDIR | fixture-start DIR | fixture-stop DIR"
case ${1:-} in
  populate) [ $# -ge 2 ] || die "$usage"; populate "$2" ;;
  start) [ $# -ge 3 ] || die "$usage"; start "$2" "$3" "${4:-}" ;;
  stop) [ $# -ge 2 ] || die "$usage"; stop "$2" ;;
  fixture-start) [ $# -ge 2 ] || die "$usage"; fixture_start "$2" ;;
  fixture-stop) [ $# -ge 2 ] || die "$usage"; fixture_stop "$2" ;;
  *) die "$usage" ;;
esac
