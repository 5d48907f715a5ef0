#!/usr/bin/env python3
"""A stand-in for LoTW's report address on 127.0.0.1, with the test
certificate in tests/data/tls, for the download screenshots. It answers every
request with a report of four 2 m confirmations of the example log's
contacts (three of squares it has not confirmed yet) and one of a contact
the log does not hold. Nothing leaves the
machine and no real account is used.

Usage: lotw_test_server.py PORT_FILE  (writes the port it listens on there)
"""
import http.server
import os
import ssl
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
TLS = os.path.join(ROOT, "tests", "data", "tls")


def field(name, value):
    return "<%s:%d>%s" % (name, len(value), value)


def record(call, date, time, grid):
    return "".join([field("CALL", call), field("BAND", "2M"), field("MODE", "FT8"),
                    field("QSO_DATE", date), field("TIME_ON", time),
                    field("GRIDSQUARE", grid), field("MY_GRIDSQUARE", "JO62QM"),
                    field("QSL_RCVD", "Y"), field("QSLRDATE", "20240612"), "<eor>\n"])


RECORDS = [record("F2YKB", "20200226", "2212", "JN29TQ"),
           record("OE2SD", "20200308", "1232", "JN66GU"),
           record("S59RQN", "20200427", "2034", "JN86LT"),
           record("DB2WM", "20200101", "1629", "JO62WX"),
           record("OZ9ZZZ", "20240611", "1815", "JO45AA")]
REPLY = ("ARRL Logbook of the World Status Report\n" +
         field("APP_LoTW_LASTQSL", "2024-06-12 10:11:12") +
         field("APP_LoTW_NUMREC", str(len(RECORDS))) + "<eoh>\n" +
         "".join(RECORDS) + "<APP_LoTW_EOF>\n").encode("ascii")


class Report(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(REPLY)))
        self.end_headers()
        self.wfile.write(REPLY)

    def log_message(self, *args):
        pass


def main():
    server = http.server.HTTPServer(("127.0.0.1", 0), Report)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(TLS, "server.pem"), os.path.join(TLS, "server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(sys.argv[1], "w") as out:
        out.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
