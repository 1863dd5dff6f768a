"""An OAuth 2.0 authorization server on 127.0.0.1 for the sign-in tests.

GET  /authorize   approves at once: redirects to the client's loopback
                  redirect_uri with a code and the state it was given (or
                  with --authorize-error). Demands PKCE with S256.
POST /token       grant_type authorization_code (checks the code_verifier
                  against the challenge, the redirect_uri and the client),
                  refresh_token and the device code grant (RFC 8628).
POST /devicecode  starts a device sign-in; its polls answer
                  authorization_pending --device-pending times (after one
                  slow_down with --device-slow-down), then approve, or
                  answer access_denied with --device-deny. A poll sooner
                  than the interval (5 seconds longer after each slow_down)
                  is answered with slow_down and noted in FOLDER/too_fast.

Access tokens live --lifetime seconds. With --rotate a refresh grant hands
out a new refresh token and revokes the one it was given. While the file
FOLDER/revoked exists every refresh token is refused, as after a user
revoked the application's access. With --fail STATUS the token endpoint
answers every request with that HTTP status. With --echo-in-error the
error descriptions repeat the request's tokens, as a careless server might.
With --stall the token endpoint notes each request, then never answers it.

--seed-refresh TOKEN makes TOKEN a valid refresh token from the start.

The access tokens it issued are in FOLDER/tokens.json (access token: expiry
as a Unix time, and the user) for smtp_server.py --oauth; every token it
issued, access and refresh, is one line of FOLDER/issued; every grant it
made is one line of FOLDER/grants; the client_secret of each token request,
or "-", one line of FOLDER/secrets. Prints its port on stdout when it is ready
and stops when its standard input closes.
"""

import argparse
import base64
import hashlib
import json
import os
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DEVICE_GRANT = "urn:ietf:params:oauth:grant-type:device_code"
# Timers may fire a little early; a poll this much before its time still counts.
POLL_TOLERANCE = 0.2


class Authority:
    def __init__(self, args):
        self.args = args
        self.folder = args.folder
        self.lock = threading.Lock()
        self.codes = {}
        self.devices = {}
        self.refresh_tokens = set(args.seed_refresh)
        self.access_tokens = {}

    def write_whole(self, name, data):
        temporary = os.path.join(self.folder, "." + name)
        with open(temporary, "w") as file:
            file.write(data)
        os.rename(temporary, os.path.join(self.folder, name))

    def note(self, name, line):
        with open(os.path.join(self.folder, name), "a") as file:
            file.write(line + "\n")

    def revoked(self):
        return os.path.exists(os.path.join(self.folder, "revoked"))

    def issue(self, grant, with_refresh=True):
        access = "at-" + secrets.token_urlsafe(24)
        self.access_tokens[access] = {"expires": time.time() + self.args.lifetime,
                                      "user": self.args.user}
        self.write_whole("tokens.json", json.dumps(self.access_tokens))
        self.note("issued", access)
        self.note("grants", grant)
        reply = {"access_token": access, "token_type": "Bearer",
                 "expires_in": self.args.lifetime, "scope": self.args.scope}
        if with_refresh:
            refresh = "rt-" + secrets.token_urlsafe(24)
            self.refresh_tokens.add(refresh)
            self.note("issued", refresh)
            reply["refresh_token"] = refresh
        return reply

    def authorize(self, query):
        redirect = query.get("redirect_uri", "")
        if not redirect.startswith("http://127.0.0.1:"):
            return 400, None, "redirect_uri must be a loopback address"
        if query.get("client_id") != self.args.client_id:
            return 400, None, "unknown client"
        if (query.get("code_challenge_method") != "S256"
                or len(query.get("code_challenge", "")) != 43
                or query.get("response_type") != "code"):
            return 400, None, "PKCE with S256 and response_type=code required"
        answer = {"state": query.get("state", "")}
        if self.args.authorize_error:
            answer["error"] = self.args.authorize_error
        else:
            code = "code-" + secrets.token_urlsafe(16)
            with self.lock:
                self.codes[code] = {"challenge": query["code_challenge"],
                                    "redirect_uri": redirect, "scope": query.get("scope", "")}
            answer["code"] = code
        return 302, redirect + "?" + urllib.parse.urlencode(answer), None

    def token(self, form):
        self.note("secrets", form.get("client_secret", "-"))
        if self.args.stall:
            threading.Event().wait()
        if form.get("client_id") != self.args.client_id:
            return 401, self.error("invalid_client", form)
        grant = form.get("grant_type")
        with self.lock:
            if grant == "authorization_code":
                return self.code_grant(form)
            if grant == "refresh_token":
                return self.refresh_grant(form)
            if grant == DEVICE_GRANT:
                return self.device_grant(form)
        return 400, self.error("unsupported_grant_type", form)

    def code_grant(self, form):
        entry = self.codes.pop(form.get("code", ""), None)
        if entry is None or entry["redirect_uri"] != form.get("redirect_uri"):
            return 400, self.error("invalid_grant", form)
        digest = hashlib.sha256(form.get("code_verifier", "").encode()).digest()
        challenge = base64.urlsafe_b64encode(digest).rstrip(b"=").decode()
        if challenge != entry["challenge"]:
            return 400, self.error("invalid_grant", form)
        return 200, self.issue("authorization_code")

    def refresh_grant(self, form):
        given = form.get("refresh_token", "")
        if self.revoked() or given not in self.refresh_tokens:
            return 400, self.error("invalid_grant", form)
        if not self.args.rotate:
            return 200, self.issue("refresh_token", with_refresh=False)
        self.refresh_tokens.discard(given)
        return 200, self.issue("refresh_token")

    def device_grant(self, form):
        device = self.devices.get(form.get("device_code", ""))
        if device is None:
            return 400, self.error("invalid_grant", form)
        now = time.monotonic()
        if now < device["next"] - POLL_TOLERANCE:
            self.note("too_fast", f"{device['next'] - now:.2f}")
            return self.slow_down(device, now, form)
        device["next"] = now + device["interval"]
        device["polls"] += 1
        if self.args.device_deny:
            return 400, self.error("access_denied", form)
        if self.args.device_slow_down and device["polls"] == 1:
            return self.slow_down(device, now, form)
        if device["polls"] <= self.args.device_pending:
            return 400, self.error("authorization_pending", form)
        del self.devices[form["device_code"]]
        return 200, self.issue("device_code")

    def slow_down(self, device, now, form):
        device["interval"] += 5
        device["next"] = now + device["interval"]
        return 400, self.error("slow_down", form)

    def device_code(self, form, port):
        if form.get("client_id") != self.args.client_id:
            return 401, self.error("invalid_client", form)
        device = "dc-" + secrets.token_urlsafe(16)
        with self.lock:
            self.devices[device] = {"polls": 0, "interval": self.args.device_interval,
                                    "next": time.monotonic() + self.args.device_interval}
        return 200, {"device_code": device, "user_code": "WDJB-MJHT",
                     "verification_uri": f"http://127.0.0.1:{port}/device",
                     "expires_in": 60, "interval": self.args.device_interval}

    def error(self, code, form):
        reply = {"error": code}
        if self.args.echo_in_error:
            reply["error_description"] = " ".join(
                form.get(name, "") for name in ("refresh_token", "code", "device_code"))
        return reply


class Handler(BaseHTTPRequestHandler):
    authority = None

    def log_message(self, format, *args):
        pass

    def answer_json(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/authorize":
            return self.answer_json(404, {"error": "not_found"})
        query = dict(urllib.parse.parse_qsl(url.query))
        status, location, complaint = self.authority.authorize(query)
        if location is None:
            return self.answer_json(status, {"error": "invalid_request",
                                             "error_description": complaint})
        self.send_response(status)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
        if self.authority.args.fail:
            return self.answer_json(self.authority.args.fail, {"error": "temporarily_unavailable"})
        if self.path == "/token":
            return self.answer_json(*self.authority.token(form))
        if self.path == "/devicecode":
            return self.answer_json(*self.authority.device_code(form, self.server.server_port))
        self.answer_json(404, {"error": "not_found"})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--client-id", default="corvane-test")
    parser.add_argument("--user", default="jane@example.com")
    parser.add_argument("--scope", default="https://mail.example.com/smtp offline_access")
    parser.add_argument("--lifetime", type=int, default=3600)
    parser.add_argument("--rotate", action="store_true")
    parser.add_argument("--authorize-error")
    parser.add_argument("--device-pending", type=int, default=2)
    parser.add_argument("--device-interval", type=int, default=1)
    parser.add_argument("--device-slow-down", action="store_true")
    parser.add_argument("--device-deny", action="store_true")
    parser.add_argument("--fail", type=int)
    parser.add_argument("--echo-in-error", action="store_true")
    parser.add_argument("--stall", action="store_true")
    parser.add_argument("--seed-refresh", action="append", default=[])
    args = parser.parse_args()

    Handler.authority = Authority(args)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_port, flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
