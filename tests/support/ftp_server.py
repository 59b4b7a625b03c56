"""A throw-away FTP server for the tests: one user with full rights on a
root folder, listening on 127.0.0.1 at a free port that it prints as its
first line of output. Optional: explicit TLS required on control and data
connections, a byte-rate limit on transfers in both directions, a short
idle time after which the server closes a silent control connection (and
prints a line "idle" for each one it closes), and a file naming folders
whose listings fail, read at every listing."""

import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import (FTPHandler, ThrottledDTPHandler, TLS_DTPHandler,
                                TLS_FTPHandler)
from pyftpdlib.servers import FTPServer


class EagerTlsDTPHandler(TLS_DTPHandler):
    """pyftpdlib takes data arriving on a data connection before the
    transfer command for a hang-up and closes the connection; a client that
    starts the TLS handshake as soon as it connects (libcurl does) is then
    cut off. Let the handshake through."""

    def readable(self):
        return self._ssl_accepting or super().readable()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--rate", type=int, default=0)
    parser.add_argument("--idle", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--fail-listings")
    args = parser.parse_args()

    logging.disable(logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    base = TLS_FTPHandler if args.cert else FTPHandler
    handler = type("Handler", (base,), {})
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    if args.idle > 0:
        handler.timeout = args.idle

        def handle_timeout(self):
            base.handle_timeout(self)
            print("idle", flush=True)

        handler.handle_timeout = handle_timeout
    if args.cert:
        handler.certfile = args.cert
        handler.keyfile = args.key
        handler.tls_control_required = True
        handler.tls_data_required = True
        handler.dtp_handler = EagerTlsDTPHandler
    if args.fail_listings:
        def refused(path):
            try:
                with open(args.fail_listings, encoding="utf-8") as folders:
                    failing = {os.path.realpath(line.strip()) for line in folders if line.strip()}
            except FileNotFoundError:
                return False
            return os.path.realpath(path) in failing

        def listing(command):
            original = getattr(base, command)

            def run(self, path):
                if refused(path):
                    self.respond("550 Listing refused.")
                    return None
                return original(self, path)
            return run

        for command in ("ftp_LIST", "ftp_MLSD", "ftp_NLST"):
            setattr(handler, command, listing(command))
    if args.rate > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = args.rate
        dtp.write_limit = args.rate
        handler.dtp_handler = dtp

    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
