#!/usr/bin/env python3
"""A small HTTP server that misbehaves on purpose, for the network client's tests.

    scripted-http-server.py PORTFILE [HOST] [LIFETIME] [OWNER_PID]

Listens on HOST (default 127.0.0.1) at a free port, writes the port to PORTFILE once it listens,
and answers by path (see Handler); /dav/ lists a.txt, gone.txt (404) and cut.txt (cut short). It
ends by itself after LIFETIME seconds (default 120) or when its parent has gone, so a test that
dies leaves nothing behind. With OWNER_PID it goes into the background, returns once it listens
(its process id in PORTFILE.pid) and ends when OWNER_PID has gone instead: so CTest can start it
for programs that cannot start it themselves.
"""
import os
import socket
import socketserver
import sys
import threading
import time

LISTING = ('<?xml version="1.0" encoding="utf-8"?><D:multistatus xmlns:D="DAV:">'
           '<D:response><D:href>/dav/</D:href><D:propstat><D:prop><D:resourcetype><D:collection/>'
           '</D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
           '<D:response><D:href>/dav/a.txt</D:href><D:propstat><D:prop><D:resourcetype/></D:prop>'
           '<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
           '<D:response><D:href>/dav/gone.txt</D:href><D:propstat><D:prop><D:resourcetype/></D:prop>'
           '<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
           '<D:response><D:href>/dav/cut.txt</D:href><D:propstat><D:prop><D:resourcetype/></D:prop>'
           '<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>').encode()


def answer(status, headers=(), body=b'', length=None):
    head = 'HTTP/1.1 %s\r\n' % status
    head += 'Content-Length: %d\r\n' % (len(body) if length is None else length)
    for header in headers:
        head += header + '\r\n'
    return head.encode() + b'Connection: close\r\n\r\n' + body


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        data = b''
        while b'\r\n\r\n' not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                return
            data += chunk
        verb, path = data.split(b' ')[:2]
        path = path.decode().split('?')[0]
        send = self.request.sendall
        if path.endswith('/a.txt'):
            send(answer('200 OK', body=b'content of a'))
        elif path.startswith('/status/'):  # /status/204, /status/206
            code = int(path.split('/')[2])
            headers = ['Content-Range: bytes 0-3/10'] if code == 206 else []
            send(answer('%d Whatever' % code, headers, b'' if code == 204 else b'part'))
        elif path == '/redirect-without-location':
            send(answer('302 Found', body=b'moved, but not said where'))
        elif path in ('/cut', '/dav/cut.txt'):  # announces 100 bytes, sends 10 and hangs up
            send(answer('200 OK', body=b'0123456789', length=100))
        elif path == '/trickle':  # one byte every half second, never silent for long
            send(answer('200 OK', body=b'', length=1000) if verb != b'PROPFIND'
                 else answer('207 Multi-Status', ['Content-Type: application/xml'], b'', length=1000))
            for _ in range(1000):
                time.sleep(0.5)
                send(b'x' if verb != b'PROPFIND' else b' ')
        elif path.startswith('/dav/') and verb == b'PROPFIND':
            send(answer('207 Multi-Status', ['Content-Type: application/xml; charset=utf-8'], LISTING))
        elif path == '/html':  # a PROPFIND answered with a web page
            send(answer('200 OK', ['Content-Type: text/html'], b'<html><body>Welcome</body></html>'))
        else:
            send(answer('404 Not Found', body=b'no such thing'))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that hangs up early is what some tests do


def alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


def detach():
    """Leaves the caller once the child has answered; the child keeps no stream of the caller's."""
    read_end, write_end = os.pipe()
    if os.fork() > 0:
        os.close(write_end)
        status = os.read(read_end, 16)
        os._exit(0 if status == b'ok' else 1)
    os.close(read_end)
    os.setsid()
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    return write_end


def main():
    port_file = sys.argv[1]
    host = sys.argv[2] if len(sys.argv) > 2 else '127.0.0.1'
    lifetime = float(sys.argv[3]) if len(sys.argv) > 3 else 120
    owner = int(sys.argv[4]) if len(sys.argv) > 4 else None
    report = detach() if owner else None
    if ':' in host:
        Server.address_family = socket.AF_INET6
    try:
        server = Server((host, 0), Handler)
    except OSError:
        if report is not None:
            os.write(report, b'no')
        raise
    if owner:
        with open(port_file + '.pid', 'w') as f:
            f.write(str(os.getpid()))
    with open(port_file + '.tmp', 'w') as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + '.tmp', port_file)
    if report is not None:
        os.write(report, b'ok')
        os.close(report)
    parent = os.getppid()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    started = time.monotonic()
    while time.monotonic() - started < lifetime and (alive(owner) if owner else os.getppid() == parent):
        time.sleep(0.2)
    os._exit(0)


if __name__ == '__main__':
    main()
