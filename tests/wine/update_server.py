#!/usr/bin/env python3
"""The update host, for the end-to-end suite: HTTPS on 127.0.0.1:443 with the
test's certificate. What it answers is read afresh for every connection from
the scenario file, so one server serves every case:

  body NAME     200 with the body named NAME (see BODIES)
  status 404    that status with a small HTML page
  redirect      302 to /tolvik/missing.html on the same host, which is a 404
  silent        accepts the connection and then says nothing, not even the
                TLS handshake, until the suite ends

Every request is logged (path and user agent) to the log file, one line each.
Usage: update_server.py CERT KEY SCENARIO_FILE LOG_FILE
"""
import socket
import ssl
import sys
import threading

CERT, KEY, SCENARIO, LOG = sys.argv[1:5]

BODIES = {
    "crlf": b"24\r\n",
    "zeros": b"0024",
    "current": b"23",
    "thousand": b"1000",
    "leading-space": b" 24",
    "trailing-tab": b"24\t",
    "bom": b"\xef\xbb\xbf24",
    "second-line": b"24\r\nnew version\r\n",
    "forty-spaces": b"24" + b" " * 40,
}

held = []  # silent connections, kept open until the process ends
log_lock = threading.Lock()


def scenario():
    with open(SCENARIO) as f:
        return f.read().split()


def log(line):
    with log_lock, open(LOG, "a") as f:
        f.write(line + "\n")


def answer(conn, words):
    request = b""
    while b"\r\n\r\n" not in request and len(request) < 65536:
        chunk = conn.recv(4096)
        if not chunk:
            return
        request += chunk
    lines = request.decode("latin-1").split("\r\n")
    path = lines[0].split(" ")[1] if " " in lines[0] else "?"
    agent = next((l.split(":", 1)[1].strip() for l in lines if l.lower().startswith("user-agent:")), "")
    cache = next((l.split(":", 1)[1].strip() for l in lines if l.lower().startswith("cache-control:")), "")
    log("GET %s agent=%s cache-control=%s" % (path, agent, cache))
    if words[0] == "body" and path.startswith("/tolvik/version.txt"):
        status, reason, body, extra = 200, "OK", BODIES[words[1]], ""
    elif words[0] == "redirect" and path.startswith("/tolvik/version.txt"):
        status, reason, body, extra = 302, "Found", b"", "Location: /tolvik/missing.html\r\n"
    elif words[0] == "status" and path.startswith("/tolvik/version.txt"):
        status, reason, body, extra = int(words[1]), "Not Found", b"<html>gone</html>", ""
    else:
        status, reason, body, extra = 404, "Not Found", b"<html>no such page</html>", ""
    head = "HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n%sConnection: close\r\n\r\n" % (
        status, reason, len(body), extra)
    conn.sendall(head.encode("latin-1") + body)


def serve(raw, context):
    try:
        words = scenario()
        if words[0] == "silent":
            log("silent connection")
            held.append(raw)
            return
        conn = context.wrap_socket(raw, server_side=True)
        try:
            answer(conn, words)
        finally:
            conn.close()
    except Exception as e:  # a client that gave up, a failed handshake
        log("error %s" % e)


def main():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 443))
    listener.listen(16)
    log("listening")
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=serve, args=(raw, context), daemon=True).start()


main()
