"""A real SMTP server on 127.0.0.1 for the mail library's tests and bench.

Prints its port on stdout when it is ready, then writes every message it
receives into FOLDER as <n>.eml (the bytes as received) and <n>.json (the
envelope: sender and recipients), and counts the connections it accepted in
FOLDER/connections. It stops when its standard input closes or on SIGTERM.

With --oauth AUTHORITY_FOLDER it offers only the mechanisms of
--oauth-mechanisms (XOAUTH2, OAUTHBEARER or both) and accepts a login only
with an access token that oauth_server.py in that folder issued for --user
and that has not expired, and none while the authority's "revoked" file
exists. Each login's mechanism is one line of FOLDER/mechanisms; with
--echo-auth a refusal quotes the AUTH command and the token, as some servers
quote a command they did not take. With --mails-per-connection N it closes a
connection after its Nth mail, as providers do.
"""

import argparse
import asyncio
import base64
import json
import os
import signal
import ssl
import sys
import threading
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword


class Mailbox:
    def __init__(self, folder, refused_senders, refused_recipients, mails_per_connection=0):
        self.folder = folder
        self.refused_senders = set(refused_senders)
        self.refused_recipients = set(refused_recipients)
        self.mails_per_connection = mails_per_connection
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
        session.mails = getattr(session, "mails", 0) + 1
        if self.mails_per_connection and session.mails >= self.mails_per_connection:
            # After the reply below has been written.
            asyncio.get_running_loop().call_soon(server.transport.close)
        return "250 Message accepted"


class BearerTokens:
    """The access tokens of oauth_server.py, checked at each login."""

    def __init__(self, authority_folder, user, mailbox, echo_auth):
        self.authority_folder = authority_folder
        self.user = user
        self.mailbox = mailbox
        self.echo_auth = echo_auth

    def accepts(self, user, token):
        if user != self.user or os.path.exists(os.path.join(self.authority_folder, "revoked")):
            return False
        try:
            with open(os.path.join(self.authority_folder, "tokens.json")) as file:
                issued = json.load(file)
        except OSError:
            return False
        entry = issued.get(token)
        return entry is not None and entry["user"] == user and entry["expires"] > time.time()

    def result(self, user, token, args):
        if self.accepts(user, token):
            return AuthResult(success=True, handled=False)
        refusal = "535 5.7.8 Authentication failed"
        if self.echo_auth:
            refusal += f" for AUTH {' '.join(args)} ({token})"
        return AuthResult(success=False, handled=False, message=refusal)

    def note(self, mechanism):
        with self.mailbox.lock:
            with open(os.path.join(self.mailbox.folder, "mechanisms"), "a") as file:
                file.write(mechanism + "\n")


def bearer_fields(message, separator):
    """The user and token of an XOAUTH2 or OAUTHBEARER message."""
    user = token = None
    for field in message.split(separator):
        if field.startswith("user="):
            user = field[5:]
        elif field.startswith("auth=Bearer "):
            token = field[12:]
    return user, token


async def initial_response(server, args):
    if len(args) > 1:
        try:
            return base64.b64decode(args[1], validate=True).decode()
        except ValueError:
            return None
    blob = await server.challenge_auth("")
    return None if blob is MISSING else blob.decode()


async def auth_XOAUTH2(server, _, args):
    message = await initial_response(server, args)
    user, token = bearer_fields(message or "", "\x01")
    server.bearer_tokens.note("XOAUTH2")
    return server.bearer_tokens.result(user, token, args)


async def auth_OAUTHBEARER(server, _, args):
    """RFC 7628: the GS2 header names the user (n,a=user,), then the fields."""
    message = await initial_response(server, args) or ""
    header, _, rest = message.partition("\x01")
    parts = header.split(",")
    user = parts[1][2:] if len(parts) > 2 and parts[1].startswith("a=") else None
    _, token = bearer_fields(rest, "\x01")
    server.bearer_tokens.note("OAUTHBEARER")
    if server.bearer_tokens.accepts(user, token):
        return AuthResult(success=True, handled=False)
    # The error goes out as a challenge; the client ends the exchange with 0x01.
    status = json.dumps({"status": "invalid_token", "schemes": "bearer"})
    await server.challenge_auth(status)
    return server.bearer_tokens.result(user, token, args)


class CountingSMTP(SMTP):
    bearer_tokens = None

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

    def __init__(self, mailbox, *args, smtp_class=CountingSMTP, **kwargs):
        super().__init__(*args, **kwargs)
        self.mailbox = mailbox
        self.smtp_class = smtp_class

    def factory(self):
        return self.smtp_class(self.mailbox, self.handler, **self.SMTP_kwargs)

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


def oauth_smtp_class(mechanisms, bearer_tokens):
    """A server class that offers exactly the named bearer mechanisms."""
    methods = {"auth_" + name: globals()["auth_" + name] for name in mechanisms}
    return type("BearerSMTP", (CountingSMTP,), dict(methods, bearer_tokens=bearer_tokens))


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
    parser.add_argument("--oauth")
    parser.add_argument("--oauth-mechanisms", default="XOAUTH2,OAUTHBEARER")
    parser.add_argument("--mails-per-connection", type=int, default=0)
    parser.add_argument("--echo-auth", action="store_true")
    parser.add_argument("--host", default="127.0.0.1")
    args = parser.parse_args()

    mailbox = Mailbox(args.folder, args.refuse_sender, args.refuse_recipient,
                      args.mails_per_connection)
    # A fixed greeting name: looking up the machine's own name for every
    # connection would make the server the slowest part of every exchange.
    options = {"hostname": args.host, "port": 0, "server_hostname": "localhost"}
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
    smtp_class = CountingSMTP
    if args.oauth:
        smtp_class = oauth_smtp_class(args.oauth_mechanisms.split(","),
                                      BearerTokens(args.oauth, args.user, mailbox, args.echo_auth))
        options.update(auth_exclude_mechanism=["PLAIN", "LOGIN"])

    controller = FreePortController(mailbox, mailbox, smtp_class=smtp_class, **options)
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
