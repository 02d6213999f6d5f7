#!/usr/bin/env python3
"""An SMTP server on 127.0.0.1 for the mail tests: takes every message, parses it with Python's
email package, and writes into FOLDER "message-N" (envelope recipients, To, Subject, each
attachment's type and file name, and the text body) and "message-N-K", the bytes of attachment K.

Usage: smtp-sink.py FOLDER. Prints the port it listens on once it does, or "no aiosmtpd".
"""

import asyncio
import email
import email.policy
import os
import sys

try:
    from aiosmtpd.smtp import SMTP
except ImportError:
    print("no aiosmtpd", flush=True)
    sys.exit(0)


class Handler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        name = os.path.join(self.folder, f"message-{self.count}")
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        lines = [f"rcpt: {', '.join(envelope.rcpt_tos)}", f"to: {message['To']}",
                 f"subject: {message['Subject']}"]
        for number, part in enumerate(message.iter_attachments(), 1):
            lines.append(f"attachment: {part.get_content_type()} {part.get_filename()}")
            with open(f"{name}-{number}", "wb") as attachment:
                attachment.write(part.get_content())
        lines.append("body:\n" + message.get_body(("plain",)).get_content())
        with open(name, "w", encoding="utf-8", newline="") as summary:
            summary.write("\n".join(lines))
        return "250 OK"


async def main(folder):
    handler = Handler(folder)
    server = await asyncio.get_running_loop().create_server(lambda: SMTP(handler), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main(sys.argv[1]))
