#!/usr/bin/python3
"""A real SMTP server for the mailer's tests.

Listens on 127.0.0.1, prints "READY <port>" once it accepts connections, saves every accepted
message with its envelope as msg-<n>.json in --outdir, records authentication attempts in
auth.txt there, and stops on SIGTERM.
"""

import argparse
import asyncio
import hashlib
import hmac
import json
import os
import signal
import socket
import ssl
import sys
import threading
import time
import logging

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from aiosmtpd.controller import Controller  # noqa: E402
from aiosmtpd.smtp import MISSING, AuthResult  # noqa: E402

from smtp_mime_dump import describe  # noqa: E402

# aiosmtpd warns about its own legacy attributes on every login.
logging.getLogger("mail.log").setLevel(logging.ERROR)

ALL_MECHANISMS = ["PLAIN", "LOGIN", "CRAM-MD5", "CRAM-SHA1"]


class Handler:
    def __init__(self, args):
        self.args = args
        self.count = 0

    def record_attempt(self, mechanism, ok):
        with open(os.path.join(self.args.outdir, "auth.txt"), "a") as f:
            f.write(f"{mechanism} {'ok' if ok else 'fail'}\n")

    def credentials_ok(self, mechanism, login, password):
        return (mechanism not in self.args.fail_mechanism
                and login == self.args.user.encode()
                and password == self.args.password.encode())

    def authenticator(self, server, session, envelope, mechanism, auth_data):
        ok = self.credentials_ok(mechanism, auth_data.login, auth_data.password)
        self.record_attempt(mechanism, ok)
        return AuthResult(success=ok, handled=False,
                          auth_data={"mechanism": mechanism} if ok else None)

    async def _cram(self, server, mechanism, digest):
        challenge = f"<{os.getpid()}.{time.time_ns()}@test.local>".encode()
        response = await server.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=True)
        login, _, mac = response.partition(b" ")
        expected = hmac.new(self.args.password.encode(), challenge, digest).hexdigest().encode()
        ok = (mechanism not in self.args.fail_mechanism and login == self.args.user.encode()
              and hmac.compare_digest(mac, expected))
        self.record_attempt(mechanism, ok)
        return AuthResult(success=ok, handled=False,
                          auth_data={"mechanism": mechanism} if ok else None)

    async def auth_CRAM__MD5(self, server, args):
        return await self._cram(server, "CRAM-MD5", hashlib.md5)

    async def auth_CRAM__SHA1(self, server, args):
        return await self._cram(server, "CRAM-SHA1", hashlib.sha1)

    async def stall(self, command):
        if self.args.stall_at == command:
            await asyncio.sleep(3600)

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        await self.stall("MAIL")
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.args.refuse:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        await self.stall("DATA")
        self.count += 1
        tls = (session.ssl is not None
               or server.transport.get_extra_info("ssl_object") is not None)
        auth = session.auth_data if isinstance(session.auth_data, dict) else {}
        record = {
            "helo": session.host_name,
            "mail_from": envelope.mail_from,
            "mail_options": envelope.mail_options,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": tls,
            "auth_mechanism": auth.get("mechanism"),
            "message": describe(envelope.original_content),
        }
        path = os.path.join(self.args.outdir, "msg-%d.json" % self.count)
        with open(path + ".tmp", "w") as f:
            json.dump(record, f)
        os.replace(path + ".tmp", path)
        return "250 2.0.0 Message accepted"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--outdir", required=True)
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--auth", default="", help="comma-separated mechanisms to offer")
    parser.add_argument("--fail-mechanism", default="", help="mechanisms that always refuse")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--stall-at", choices=["MAIL", "DATA"])
    args = parser.parse_args()
    args.refuse = [a.lower() for a in args.refuse]
    args.fail_mechanism = [m for m in args.fail_mechanism.split(",") if m]
    offered = [m for m in args.auth.split(",") if m]

    handler = Handler(args)
    context = None
    if args.tls != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    kwargs = dict(
        hostname="127.0.0.1", port=free_port(), server_hostname="test.local",
        authenticator=handler.authenticator, auth_require_tls=False,
        auth_exclude_mechanism=[m for m in ALL_MECHANISMS if m not in offered],
        ready_timeout=10)
    if args.tls == "starttls":
        kwargs["tls_context"] = context
    elif args.tls == "implicit":
        kwargs["ssl_context"] = context
    controller = Controller(handler, **kwargs)
    controller.start()

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    print("READY %d" % kwargs["port"], flush=True)
    while not stop.wait(0.2):
        pass
    controller.stop(no_assert=True)


if __name__ == "__main__":
    main()
