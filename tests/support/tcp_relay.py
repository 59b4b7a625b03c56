"""A throw-away TCP relay for the tests: listens on 127.0.0.1 at a free port,
which it prints as its first line of output, and carries every connection
either to 127.0.0.1:TARGET (--target) or, as a SOCKS5 proxy (--socks),
wherever the client's CONNECT request says, resolving the names given with
--name NAME=ADDRESS itself, as a proxy on another network would. With
--rate, at most RATE bytes a second pass in each direction of each
connection, so that a test can act while a transfer runs against a server
that has no rate limit of its own. A connection ends on both sides when
either side ends it."""

import argparse
import socket
import struct
import sys
import threading
import time

CHUNK = 4096


def pump(source, sink, rate):
    try:
        while True:
            data = source.recv(CHUNK)
            if not data:
                break
            sink.sendall(data)
            if rate > 0:
                time.sleep(len(data) / rate)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def receive(client, size):
    data = b""
    while len(data) < size:
        more = client.recv(size - len(data))
        if not more:
            raise OSError("closed")
        data += more
    return data


def socks_target(client, names):
    """Answers a SOCKS5 greeting (no authentication) and CONNECT request;
    the (host, port) asked for."""
    version, count = receive(client, 2)
    methods = receive(client, count)
    if version != 5 or 0 not in methods:
        client.sendall(b"\x05\xff")
        raise OSError("no acceptable method")
    client.sendall(b"\x05\x00")
    version, command, _, kind = receive(client, 4)
    if kind == 1:
        host = socket.inet_ntoa(receive(client, 4))
    elif kind == 3:
        host = receive(client, receive(client, 1)[0]).decode()
    else:
        raise OSError("unsupported address type")
    (port,) = struct.unpack("!H", receive(client, 2))
    if version != 5 or command != 1:
        raise OSError("unsupported command")
    return names.get(host, host), port


def carry(client, args, names):
    try:
        if args.socks:
            target = socks_target(client, names)
        else:
            target = ("127.0.0.1", args.target)
        server = socket.create_connection(target)
        if args.socks:
            client.sendall(b"\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00")
    except OSError:
        if args.socks:
            try:
                client.sendall(b"\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00")
            except OSError:
                pass
        client.close()
        return
    for source, sink in ((client, server), (server, client)):
        threading.Thread(target=pump, args=(source, sink, args.rate), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", type=int)
    parser.add_argument("--socks", action="store_true")
    parser.add_argument("--name", action="append", default=[])
    parser.add_argument("--rate", type=int, default=0)
    args = parser.parse_args()
    names = dict(item.split("=", 1) for item in args.name)

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=carry, args=(client, args, names), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
