#!/usr/bin/env bash
# Starts (or stops) the FTP servers of the library's tests, natively and on 127.0.0.1 only,
# before the Wine test runs (CTest runs "start" as a fixture setup and "stop" as its cleanup):
#   pyftpdlib   user tester / secret, root <dir>/py
#   vsftpd      anonymous with write rights, root <dir>/vs (no chroot: paths are the host's)
#   fake        testdata/fake_ftp_server.py, a server that misbehaves on purpose
#   silent      takes connections and never greets
# Each server stops by itself after 15 minutes at the latest. <dir>/ports.txt gets one
# "name=port" line per server and a "closed" port where nothing listens.
# Both roots hold listing/: plain.txt, "name with blanks.txt", a Chinese UTF-8 name, "sub dir/",
# a sparse 5 GiB big.bin and lines.txt (LF line ends); vs/listing also a Big5-encoded name.
#   ftp_servers.sh start|stop <dir>
set -euo pipefail
action=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
py=/usr/bin/python3

stop() {
  if [ -f "$dir/pids" ]; then
    while read -r pid; do
      kill "$pid" 2>/dev/null || true
    done <"$dir/pids"
    rm -f "$dir/pids"
  fi
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi

[ -x /usr/sbin/vsftpd ] || { echo "ftp_servers: vsftpd is missing (run scripts/setup.sh)" >&2; exit 1; }
$py -c 'import pyftpdlib' || { echo "ftp_servers: python3-pyftpdlib is missing (run scripts/setup.sh)" >&2; exit 1; }
stop
rm -rf "$dir"
mkdir -p "$dir/py" "$dir/vs" "$dir/vs-empty"
export LC_ALL=C.UTF-8
for root in "$dir/py" "$dir/vs"; do
  mkdir -p "$root/listing/sub dir" "$root/work"
  printf 'plain' >"$root/listing/plain.txt"
  printf 'blanks' >"$root/listing/name with blanks.txt"
  printf 'zh' >"$root/listing/中文檔案.txt"
  printf 'a\nb\n' >"$root/listing/lines.txt"
  truncate -s 5G "$root/listing/big.bin"
done
# A file name in the Big5 code page, as an old Windows server would store it.
$py -c 'import os,sys; open(os.path.join(os.fsencode(sys.argv[1]), "中文".encode("big5") + b".txt"), "wb").write(b"big5")' "$dir/vs/listing"

# The servers greet with a token of this start, so that a greeting from another server that
# took one of the ports in the meantime is never mistaken for ours; then the ports are drawn again.
export JQ_FTP_TOKEN="jq$$-$RANDOM"
for attempt in 1 2 3 4 5; do
ports=($($py - <<'PY'
import socket
socks = []
for _ in range(5):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    socks.append(s)
print(" ".join(str(s.getsockname()[1]) for s in socks))
PY
))

cat >"$dir/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=${ports[1]}
background=NO
run_as_launching_user=YES
seccomp_sandbox=NO
secure_chroot_dir=$dir/vs-empty
anonymous_enable=YES
no_anon_password=YES
anon_root=$dir/vs
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
pasv_enable=YES
pasv_address=127.0.0.1
port_enable=YES
connect_from_port_20=NO
ascii_upload_enable=YES
ascii_download_enable=YES
xferlog_enable=NO
use_localtime=YES
ftpd_banner=vsftpd ready $JQ_FTP_TOKEN
idle_session_timeout=120
data_connection_timeout=60
CONF

setsid timeout 900 $py "$here/testdata/pyftpd_server.py" "$dir/py" "${ports[0]}" >"$dir/pyftpd.log" 2>&1 </dev/null &
echo $! >>"$dir/pids"
setsid timeout 900 /usr/sbin/vsftpd "$dir/vsftpd.conf" >"$dir/vsftpd.log" 2>&1 </dev/null &
echo $! >>"$dir/pids"
setsid timeout 900 $py "$here/testdata/fake_ftp_server.py" "${ports[2]}" >"$dir/fake.log" 2>&1 </dev/null &
echo $! >>"$dir/pids"
setsid timeout 900 $py -c 'import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(16)
time.sleep(900)' "${ports[4]}" >"$dir/silent.log" 2>&1 </dev/null &
echo $! >>"$dir/pids"

# Ready when each greets with the token.
ready=1
for port in "${ports[@]:0:3}"; do
  if ! $py - "$port" <<'PY'
import os, socket, sys, time
end = time.time() + 15
token = os.environ["JQ_FTP_TOKEN"].encode()
while time.time() < end:
    try:
        with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=2) as s:
            greeting = s.recv(200)
            if greeting.startswith(b"220"):
                sys.exit(0 if token in greeting else 2)
    except OSError:
        time.sleep(0.2)
sys.exit(1)
PY
  then
    ready=0
    break
  fi
done
if [ $ready = 1 ]; then
  printf 'pyftpd=%s\nvsftpd=%s\nfake=%s\nclosed=%s\nsilent=%s\n' "${ports[@]}" >"$dir/ports.txt"
  echo "ftp_servers: pyftpdlib on ${ports[0]}, vsftpd on ${ports[1]}, fake on ${ports[2]}"
  exit 0
fi
stop
done
echo "ftp_servers: the servers did not start" >&2
cat "$dir"/*.log >&2 || true
exit 1
