"""The baseline for bench_mail: Python's smtplib composing and delivering the
same messages to the same server, one connection per message, as a script
does it. With a CA file, user and password after the message's texts, each
connection also starts TLS with STARTTLS and logs in. Prints the seconds the
loop took."""

import email.message
import email.utils
import smtplib
import ssl
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
    login = sys.argv[8:11]
    context = ssl.create_default_context(cafile=login[0]) if login else None
    start = time.perf_counter()
    for _ in range(int(count)):
        with smtplib.SMTP("127.0.0.1", int(port)) as connection:
            if login:
                connection.starttls(context=context)
                connection.login(login[1], login[2])
            connection.send_message(message(sender, recipient_name, recipient, subject, body))
    print(time.perf_counter() - start)


if __name__ == "__main__":
    main()
