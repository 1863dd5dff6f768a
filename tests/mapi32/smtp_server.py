"""A real SMTP server on 127.0.0.1 for the mail library's tests and bench.

Prints its port on stdout when it is ready, then writes every message it
receives into FOLDER as <n>.eml (the bytes as received) and <n>.json (the
envelope: sender and recipients), and counts the connections it accepted in
FOLDER/connections. It stops when its standard input closes or on SIGTERM.
"""

import argparse
import asyncio
import json
import os
import signal
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Mailbox:
    def __init__(self, folder, refused_senders, refused_recipients):
        self.folder = folder
        self.refused_senders = set(refused_senders)
        self.refused_recipients = set(refused_recipients)
        self.count = 0
        self.connections = 0
        self.lock = threading.Lock()

    def write_whole(self, name, data):
        temporary = os.path.join(self.folder, "." + name)
        with open(temporary, "wb") as file:
            file.write(data)
        os.rename(temporary, os.path.join(self.folder, name))

    def connected(self):
        with self.lock:
            self.connections += 1
            self.write_whole("connections", str(self.connections).encode())

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if address in self.refused_senders:
            return "553 5.7.1 Sender address refused"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused_recipients:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            number = self.count
        envelope_data = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos}
        self.write_whole(f"{number}.json", json.dumps(envelope_data).encode())
        self.write_whole(f"{number}.eml", envelope.original_content)
        return "250 Message accepted"


class CountingSMTP(SMTP):
    def __init__(self, mailbox, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.mailbox = mailbox

    def connection_made(self, transport):
        # Called again when STARTTLS upgrades the same connection.
        if self._original_transport is None:
            self.mailbox.connected()
        super().connection_made(transport)


class FreePortController(Controller):
    """Listens on a port the system picks, so that tests never collide."""

    def __init__(self, mailbox, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.mailbox = mailbox

    def factory(self):
        return CountingSMTP(self.mailbox, self.handler, **self.SMTP_kwargs)

    def _trigger_server(self):
        self.port = self.server.sockets[0].getsockname()[1]
        super()._trigger_server()


def authenticator_for(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        accepted = (isinstance(auth_data, LoginPassword)
                    and auth_data.login == user.encode()
                    and auth_data.password == password.encode())
        return AuthResult(success=accepted, handled=False)
    return authenticate


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--tls", choices=["none", "starttls", "smtps"], default="none")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--refuse-sender", action="append", default=[])
    parser.add_argument("--refuse-recipient", action="append", default=[])
    args = parser.parse_args()

    mailbox = Mailbox(args.folder, args.refuse_sender, args.refuse_recipient)
    # A fixed greeting name: looking up the machine's own name for every
    # connection would make the server the slowest part of every exchange.
    options = {"hostname": "127.0.0.1", "port": 0, "server_hostname": "localhost"}
    if args.tls != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        if args.tls == "starttls":
            options.update(tls_context=context, require_starttls=True)
        else:
            options.update(ssl_context=context)
    if args.user:
        options.update(authenticator=authenticator_for(args.user, args.password),
                       auth_required=True, auth_require_tls=args.tls == "starttls")

    controller = FreePortController(mailbox, mailbox, **options)
    controller.start()
    mailbox.connections = 0  # the controller's own start-up probe
    print(controller.port, flush=True)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    threading.Thread(target=lambda: (sys.stdin.read(), stop.set()), daemon=True).start()
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
