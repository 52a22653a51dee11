# A small FTP server on 127.0.0.1 that misbehaves on purpose, chosen by the user name:
#   endless      answers USER with a line that never ends
#   trickle      answers USER with one byte every 200 ms, never ending the line (and logs
#                "trickle: replying" on its output as it starts)
#   hugemulti    answers USER with a multi-line reply of several megabytes
#   dos          a well-behaved server whose LIST is in the DOS/IIS style
#   elsewhere    as dos, but its PASV reply names another host (10.255.255.1)
#   badpasv      as dos, but its PASV reply holds a number above 255
#   dropper      as dos; RETR sends part of a file, drops the data connection and answers 426
#   late552      as dos; STOR takes the data and then answers 552
#   hostile      a Unix-style LIST whose names try to leave the folder they are downloaded to
# Any password is accepted. PWD answers a name with doubled quotes.
#   fake_ftp_server.py <port>
import os
import socket
import socketserver
import sys
import time

DOS_LISTING = (
    b"12-10-26  05:50PM       <DIR>          sub dir\r\n"
    b"01-02-2019  09:05AM                 1234 report.txt\r\n"
    b"this line is not an entry\r\n"
    b"06-30-98  11:00AM           6442450944 huge.iso\r\n"
)

HOSTILE_LISTING = (
    b"-rw-r--r--   1 ftp ftp   5000 Jan 01 10:00 ..\\..\\escaped.txt\r\n"
    b"-rw-r--r--   1 ftp ftp   5000 Jan 01 10:00 a/b.txt\r\n"
    b"-rw-r--r--   1 ftp ftp   5000 Jan 01 10:00 C:x.txt\r\n"
    b"-rw-r--r--   1 ftp ftp   5000 Jan 01 10:00 n.txt:stream\r\n"
    b"drwxr-xr-x   2 ftp ftp   4096 Jan 01 10:00 .\r\n"
    b"drwxr-xr-x   2 ftp ftp   4096 Jan 01 10:00 ..\r\n"
    b"-rw-r--r--   1 ftp ftp   5000 Jan 01 10:00 fine.txt\r\n"
)


class Handler(socketserver.StreamRequestHandler):
    timeout = 120

    def send(self, text):
        self.wfile.write(text.encode("latin-1") + b"\r\n")
        self.wfile.flush()

    def open_passive(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        listener.settimeout(20)
        port = listener.getsockname()[1]
        host = "127,0,0,1"
        if self.user == "elsewhere":
            host = "10,255,255,1"
        if self.user == "badpasv":
            self.send("227 Entering Passive Mode (127,0,0,1,999,%d)" % (port % 256))
            listener.close()
            return None
        self.send("227 Entering Passive Mode (%s,%d,%d)" % (host, port // 256, port % 256))
        return listener

    def accept(self):
        if not self.listener:
            self.send("425 Use PASV first")
            return None
        conn, _ = self.listener.accept()
        self.listener.close()
        self.listener = None
        return conn

    def handle(self):
        self.user = ""
        self.listener = None
        self.send(("220 fake server ready " + os.environ.get("JQ_FTP_TOKEN", "")).strip())
        while True:
            line = self.rfile.readline(4096)
            if not line:
                return
            parts = line.decode("latin-1").rstrip("\r\n").split(" ", 1)
            verb = parts[0].upper()
            arg = parts[1] if len(parts) > 1 else ""
            if verb == "USER":
                self.user = arg
                if arg == "endless":
                    self.wfile.write(b"331-")
                    chunk = b"x" * 65536
                    while True:
                        self.wfile.write(chunk)
                elif arg == "trickle":
                    # The log tells a test that a client now waits on this reply.
                    print("trickle: replying", flush=True)
                    self.wfile.write(b"331 ")
                    while True:
                        self.wfile.write(b"y")
                        self.wfile.flush()
                        time.sleep(0.2)
                elif arg == "hugemulti":
                    self.wfile.write(b"230-welcome\r\n")
                    line = b"230-" + b"z" * 200 + b"\r\n"
                    for _ in range(40000):
                        self.wfile.write(line)
                    self.send("230 done")
                else:
                    self.send("331 password please")
            elif verb == "PASS":
                self.send("230 logged in")
            elif verb == "PWD":
                self.send('257 "/say ""hi""" is the current directory')
            elif verb in ("TYPE", "CWD"):
                self.send("200 ok")
            elif verb == "PASV":
                self.listener = self.open_passive()
            elif verb == "LIST":
                conn = self.accept()
                if conn:
                    self.send("150 here it comes")
                    conn.sendall(HOSTILE_LISTING if self.user == "hostile" else DOS_LISTING)
                    conn.close()
                    self.send("226 done")
            elif verb == "RETR":
                conn = self.accept()
                if conn:
                    self.send("150 sending")
                    conn.sendall(b"d" * 5000)
                    conn.close()
                    self.send("426 connection lost" if self.user == "dropper" else "226 done")
            elif verb == "STOR":
                conn = self.accept()
                if conn:
                    self.send("150 go ahead")
                    while conn.recv(65536):
                        pass
                    conn.close()
                    self.send("552 exceeded storage allocation" if self.user == "late552" else "226 stored")
            elif verb == "QUIT":
                self.send("221 bye")
                return
            else:
                self.send("502 not here")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


with Server(("127.0.0.1", int(sys.argv[1])), Handler) as server:
    server.serve_forever()
