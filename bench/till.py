"""A POS till for the upload benchmark: settles one bill (the bill and its
payment, one transaction) every --interval seconds in the host database,
with a busy time-out of --busy seconds, until it receives SIGTERM. Then
prints how many writes it made, how many failed, and the longest a write
took, as `writes=N failed=N longest=S`."""

import argparse
import signal
import sqlite3
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--db", required=True)
    parser.add_argument("--interval", type=float, default=0.05)
    parser.add_argument("--busy", type=float, default=2.0)
    args = parser.parse_args()

    stop = False

    def on_term(*_):
        nonlocal stop
        stop = True

    signal.signal(signal.SIGTERM, on_term)
    connection = sqlite3.connect(args.db, timeout=args.busy, isolation_level=None)
    writes = failed = 0
    longest = 0.0
    while not stop:
        started = time.monotonic()
        bill = "TILL%06d" % (writes + 1)
        try:
            connection.execute("BEGIN")
            connection.execute(
                "INSERT INTO bi_Bill (BillID, ShiftID, BillDate, SumPaid, IsUploaded) "
                "VALUES (?, '', datetime('now'), 10, 0)", (bill,))
            connection.execute(
                "INSERT INTO bi_BillPayment (BillPaymentID, BillID, PaySum) VALUES (?, ?, 10)",
                (bill + "-1", bill))
            connection.execute("COMMIT")
        except sqlite3.OperationalError:
            failed += 1
            if connection.in_transaction:
                connection.execute("ROLLBACK")
        took = time.monotonic() - started
        writes += 1
        longest = max(longest, took)
        time.sleep(max(0.0, args.interval - took))
    print("writes=%d failed=%d longest=%.3f" % (writes, failed, longest), flush=True)


if __name__ == "__main__":
    main()
