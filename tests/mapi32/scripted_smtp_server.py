"""An SMTP server on 127.0.0.1 whose answers a test scripts: it can keep
silent at one step, give any reply at a step, answer every command late, and
drop a connection that stays idle. It offers STARTTLS (with --cert and --key)
and AUTH PLAIN and LOGIN (with --user and --password), and PIPELINING. A connection idle for
--idle-close-ms is closed, after the reply --idle-close-reply if given (as
servers say 421 before they close an idle connection).

--delay-ms models the network between client and server: each reply leaves
that long after its command arrived. Commands a client pipelines arrive
together, so their replies leave together, as they would across a network.
Like a real server, it refuses RCPT before an accepted MAIL and DATA in a
transaction without an accepted recipient; --data-despite-refusal makes it
accept DATA all the same. --no-pipelining leaves PIPELINING out of its EHLO
reply.

Faults of servers that misbehave: --extra STEP=TEXT sends one reply more
after the step's own, in the same write or --extra-delay-ms later;
--trickle STEP sends the step's reply one byte a second; --long-reply
STEP=BYTES puts that many bytes of continuation lines before the step's
reply; --later-mail-reply TEXT answers MAIL with TEXT in every transaction
of a connection after its first, and closes the connection; --echo-auth
quotes the AUTH command in its refusal of a login, as some servers quote a
command they did not take.

Prints its port on stdout when it is ready. Like smtp_server.py it writes
every message it accepts into FOLDER as <n>.eml and <n>.json, counts the
connections in FOLDER/connections, and adds each command it reads to
FOLDER/commands (the verb and, for AUTH, the mechanism and whether an
initial response came with it, never a password; "(pipelined)" after a
command that arrived together with the one before). It stops when its
standard input closes.

Steps: GREETING, EHLO, AUTH, NOOP, MAIL, RCPT, DATA (the 354 answer), DOT
(the answer to the end of the data), QUIT.
"""

import argparse
import asyncio
import base64
import json
import os
import ssl
import sys

STEPS = ["GREETING", "EHLO", "AUTH", "NOOP", "MAIL", "RCPT", "DATA", "DOT", "QUIT"]
DEFAULT_REPLIES = {
    "GREETING": "220 scripted ESMTP",
    "AUTH": "235 2.7.0 Authentication successful",
    "NOOP": "250 2.0.0 OK",
    "MAIL": "250 2.1.0 OK",
    "RCPT": "250 2.1.5 OK",
    "DATA": "354 End data with <CR><LF>.<CR><LF>",
    "DOT": "250 2.0.0 Message accepted",
    "QUIT": "221 2.0.0 Bye",
}


class Server:
    def __init__(self, args):
        self.args = args
        self.folder = args.folder
        self.replies = dict(DEFAULT_REPLIES)
        for scripted in args.reply:
            step, _, text = scripted.partition("=")
            self.replies[step] = text
        self.stalls = set(args.stall)
        self.trickles = set(args.trickle)
        self.extras = dict(scripted.partition("=")[::2] for scripted in args.extra)
        self.long_replies = {
            step: int(size) for step, _, size in (s.partition("=") for s in args.long_reply)}
        self.messages = 0
        self.connections = 0
        self.pipelined = False
        # The arrival time of the command being answered, per connection
        # (each connection is served by a task of its own).
        self.arrivals = {}
        self.tls = None
        if args.cert:
            self.tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            self.tls.load_cert_chain(args.cert, args.key)

    def write_whole(self, name, data):
        temporary = os.path.join(self.folder, "." + name)
        with open(temporary, "wb") as file:
            file.write(data)
        os.rename(temporary, os.path.join(self.folder, name))

    def log(self, text):
        with open(os.path.join(self.folder, "commands"), "a") as file:
            file.write(text + "\n")

    def reply_bytes(self, step, text):
        """The reply of a step, with the continuation lines scripted before
        it and the extra reply that goes out in the same write."""
        reply = (text or self.replies[step]).encode() + b"\r\n"
        size = self.long_replies.get(step, 0)
        line = reply[:3] + b"-" + b"x" * 994 + b"\r\n"
        reply = line * (size // len(line)) + reply
        if step in self.extras and not self.args.extra_delay_ms:
            reply += self.extras[step].encode() + b"\r\n"
        return reply

    async def send_extra_later(self, writer, step):
        await asyncio.sleep(self.args.extra_delay_ms / 1000)
        if not writer.is_closing():
            writer.write(self.extras[step].encode() + b"\r\n")

    async def answer(self, writer, step, text=None):
        """Writes the reply of a step once the scripted delay since its
        command's arrival is over; keeps silent for good at a stalled step."""
        if step in self.stalls:
            await asyncio.Event().wait()
        due = self.arrivals[asyncio.current_task()] + self.args.delay_ms / 1000
        await asyncio.sleep(max(0, due - asyncio.get_running_loop().time()))
        reply = self.reply_bytes(step, text)
        if step in self.trickles:
            for byte in reply:
                writer.write(bytes([byte]))
                await writer.drain()
                await asyncio.sleep(1)
        else:
            writer.write(reply)
            await writer.drain()
        if step in self.extras and self.args.extra_delay_ms:
            asyncio.ensure_future(self.send_extra_later(writer, step))

    async def read_line(self, reader):
        """The next line. A line that was waited for arrived now; one already
        in the buffer came with the line before it."""
        # StreamReader keeps what it received and nobody read yet in _buffer.
        waited = b"\n" not in reader._buffer
        timeout = self.args.idle_close_ms / 1000 if self.args.idle_close_ms else None
        line = await asyncio.wait_for(reader.readline(), timeout)
        if waited:
            self.arrivals[asyncio.current_task()] = asyncio.get_running_loop().time()
        self.pipelined = not waited
        return line

    def ehlo_text(self, secure):
        lines = ["scripted", "8BITMIME"]
        if not self.args.no_pipelining:
            lines.insert(1, "PIPELINING")
        if self.tls and not secure:
            lines.append("STARTTLS")
        if self.args.user and (secure or not self.tls):
            lines.append("AUTH PLAIN LOGIN")
        return "\r\n".join(
            f"250{'-' if i + 1 < len(lines) else ' '}{line}" for i, line in enumerate(lines))

    def credentials_valid(self, user, password):
        return user == self.args.user and password == self.args.password

    async def authenticate(self, reader, writer, argument):
        mechanism, _, initial = argument.partition(" ")
        mechanism = mechanism.upper()
        self.log(f"AUTH {mechanism}{' +initial' if initial else ''}")
        if mechanism == "PLAIN":
            if not initial:
                await self.answer(writer, "AUTH", "334 ")
                initial = (await self.read_line(reader)).decode().strip()
            _, user, password = base64.b64decode(initial).decode().split("\0")
        elif mechanism == "LOGIN":
            await self.answer(writer, "AUTH", "334 VXNlcm5hbWU6")
            user = base64.b64decode(await self.read_line(reader)).decode()
            await self.answer(writer, "AUTH", "334 UGFzc3dvcmQ6")
            password = base64.b64decode(await self.read_line(reader)).decode()
        else:
            await self.answer(writer, "AUTH", "504 5.5.4 Unrecognized mechanism")
            return
        valid = self.credentials_valid(user, password)
        refusal = "535 5.7.8 Authentication failed"
        if self.args.echo_auth:
            refusal += f" for AUTH {argument} ({user}:{password})"
        await self.answer(writer, "AUTH", None if valid else refusal)

    async def receive_data(self, reader, envelope):
        lines = []
        while True:
            line = await self.read_line(reader)
            if not line:
                raise ConnectionError
            if line == b".\r\n":
                break
            lines.append(line[1:] if line.startswith(b".") else line)
        self.log("DOT")
        reply = self.replies["DOT"]
        if reply.startswith("250"):
            self.messages += 1
            self.write_whole(f"{self.messages}.json", json.dumps(envelope).encode())
            self.write_whole(f"{self.messages}.eml", b"".join(lines))
        return reply

    async def serve(self, reader, writer):
        self.connections += 1
        self.write_whole("connections", str(self.connections).encode())
        secure = False
        envelope = {"mail_from": "", "rcpt_tos": []}
        sender_accepted = False
        transactions = 0
        try:
            self.arrivals[asyncio.current_task()] = asyncio.get_running_loop().time()
            await self.answer(writer, "GREETING")
            while True:
                line = await self.read_line(reader)
                if not line:
                    break
                verb, _, argument = line.decode().strip().partition(" ")
                verb = verb.upper()
                if verb != "AUTH":
                    self.log(verb + (" (pipelined)" if self.pipelined else ""))
                if verb in ("EHLO", "HELO"):
                    await self.answer(writer, "EHLO", self.ehlo_text(secure))
                elif verb == "STARTTLS" and self.tls and not secure:
                    await self.answer(writer, "EHLO", "220 2.0.0 Ready to start TLS")
                    await writer.start_tls(self.tls)
                    secure = True
                elif verb == "AUTH":
                    await self.authenticate(reader, writer, argument)
                elif verb == "NOOP":
                    await self.answer(writer, "NOOP")
                elif verb == "RSET":
                    envelope = {"mail_from": "", "rcpt_tos": []}
                    sender_accepted = False
                    await self.answer(writer, "NOOP")
                elif verb == "MAIL" and transactions and self.args.later_mail_reply:
                    await self.answer(writer, "MAIL", self.args.later_mail_reply)
                    break
                elif verb == "MAIL":
                    transactions += 1
                    envelope = {"mail_from": argument[5:].strip("<>"), "rcpt_tos": []}
                    sender_accepted = self.replies["MAIL"].startswith("250")
                    await self.answer(writer, "MAIL")
                elif verb == "RCPT" and not sender_accepted:
                    await self.answer(writer, "RCPT", "503 5.5.1 MAIL first")
                elif verb == "RCPT":
                    if self.replies["RCPT"].startswith("250"):
                        envelope["rcpt_tos"].append(argument[3:].strip("<>"))
                    await self.answer(writer, "RCPT")
                elif (verb == "DATA" and not envelope["rcpt_tos"]
                      and not self.args.data_despite_refusal):
                    await self.answer(writer, "DATA", "554 5.5.1 No valid recipients")
                elif verb == "DATA":
                    await self.answer(writer, "DATA")
                    if self.replies["DATA"].startswith("354"):
                        await self.answer(writer, "DOT", await self.receive_data(reader, envelope))
                elif verb == "QUIT":
                    await self.answer(writer, "QUIT")
                    break
                else:
                    await self.answer(writer, "NOOP", "502 5.5.2 Command not implemented")
        except asyncio.TimeoutError:
            if self.args.idle_close_reply:
                writer.write(self.args.idle_close_reply.encode() + b"\r\n")
        except (ConnectionError, asyncio.IncompleteReadError, ssl.SSLError):
            pass
        finally:
            self.arrivals.pop(asyncio.current_task(), None)
            writer.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--stall", action="append", default=[], choices=STEPS)
    parser.add_argument("--reply", action="append", default=[], metavar="STEP=TEXT")
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--idle-close-ms", type=int, default=0)
    parser.add_argument("--idle-close-reply", metavar="TEXT")
    parser.add_argument("--no-pipelining", action="store_true")
    parser.add_argument("--data-despite-refusal", action="store_true")
    parser.add_argument("--extra", action="append", default=[], metavar="STEP=TEXT")
    parser.add_argument("--extra-delay-ms", type=int, default=0)
    parser.add_argument("--trickle", action="append", default=[], choices=STEPS)
    parser.add_argument("--long-reply", action="append", default=[], metavar="STEP=BYTES")
    parser.add_argument("--later-mail-reply", metavar="TEXT")
    parser.add_argument("--echo-auth", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    server = Server(parser.parse_args())
    listener = await asyncio.start_server(server.serve, "127.0.0.1", 0)
    print(listener.sockets[0].getsockname()[1], flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)
    listener.close()
    os._exit(0)


if __name__ == "__main__":
    asyncio.run(main())
