"""Reads one Internet message with Python's own MIME parser and prints what
the mail library's tests compare, as JSON: the header names in order, From,
the To addresses, the decoded Subject, Date and Message-ID, the body text
(with LF line ends), the charset of the text part, each attachment's name,
type, transfer encoding and SHA-256, the number of line feeds without a
carriage return before them, and the parser's complaints."""

import email
import email.policy
import email.utils
import hashlib
import json
import sys


def summary(path):
    with open(path, "rb") as file:
        raw = file.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    body = message.get_body(preferencelist=("plain",))
    attachments = []
    for part in message.iter_attachments():
        data = part.get_payload(decode=True)
        attachments.append({
            "name": part.get_filename(),
            "type": part.get_content_type(),
            "encoding": part.get("Content-Transfer-Encoding", ""),
            "sha256": hashlib.sha256(data).hexdigest(),
        })
    return {
        "headers": list(message.keys()),
        "from": [list(pair) for pair in email.utils.getaddresses(message.get_all("From", []))],
        "to": [list(pair) for pair in email.utils.getaddresses(message.get_all("To", []))],
        "subject": str(message["Subject"] or ""),
        "date": str(message["Date"] or ""),
        "message_id": str(message["Message-ID"] or ""),
        "body": body.get_content().replace("\r\n", "\n") if body is not None else None,
        "body_charset": body.get_content_charset() if body is not None else None,
        "attachments": attachments,
        "bare_line_feeds": raw.replace(b"\r\n", b"").count(b"\n"),
        "defects": [str(defect) for defect in message.defects],
    }


if __name__ == "__main__":
    json.dump(summary(sys.argv[1]), sys.stdout)
