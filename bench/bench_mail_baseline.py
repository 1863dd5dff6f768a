"""The baseline for bench_mail: Python's smtplib composing and delivering the
same messages to the same server, one connection per message. Prints the
seconds the loop took."""

import email.message
import email.utils
import smtplib
import sys
import time


def message(sender, recipient_name, recipient, subject, body):
    mail = email.message.EmailMessage()
    mail["From"] = sender
    mail["To"] = email.utils.formataddr((recipient_name, recipient))
    mail["Subject"] = subject
    mail["Date"] = email.utils.formatdate(localtime=True)
    mail["Message-ID"] = email.utils.make_msgid(domain=sender.split("@")[-1].rstrip(">"))
    mail.set_content(body)
    return mail


def main():
    port, count, sender, recipient_name, recipient, subject, body = sys.argv[1:8]
    start = time.perf_counter()
    for _ in range(int(count)):
        with smtplib.SMTP("127.0.0.1", int(port)) as connection:
            connection.send_message(message(sender, recipient_name, recipient, subject, body))
    print(time.perf_counter() - start)


if __name__ == "__main__":
    main()
