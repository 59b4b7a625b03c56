"""A throw-away TCP relay for the tests: listens on 127.0.0.1 at a free port,
which it prints as its first line of output, and carries every connection
to 127.0.0.1:TARGET, at most RATE bytes a second in each direction of each
connection. A connection ends on both sides when either side ends it. Lets
a test act while a transfer runs against a server that has no rate limit
of its own."""

import argparse
import socket
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
            time.sleep(len(data) / rate)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def carry(client, target, rate):
    try:
        server = socket.create_connection(("127.0.0.1", target))
    except OSError:
        client.close()
        return
    for source, sink in ((client, server), (server, client)):
        threading.Thread(target=pump, args=(source, sink, rate), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", type=int, required=True)
    parser.add_argument("--rate", type=int, required=True)
    args = parser.parse_args()

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        carry(client, args.target, args.rate)


if __name__ == "__main__":
    sys.exit(main())
