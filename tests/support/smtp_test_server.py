"""An SMTP server on loopback for the tests, on aiosmtpd.

Usage: smtp_test_server.py MODE [USER PASSWORD]
  auth     offers AUTH LOGIN and takes USER / PASSWORD
  noauth   offers no AUTH at all
  refuse   offers AUTH LOGIN and refuses every password
  silent   accepts connections and never answers
Prints "PORT <n>" once listening, then one JSON line per event: {"auth": [user, password]},
{"message": {"from": ..., "rcpt": [...], "data": ...}}. Ends when stdin closes.
"""
import asyncio
import json
import sys
import logging

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

logging.getLogger("mail.log").setLevel(logging.ERROR)  # aiosmtpd warns about itself


def emit(event):
    sys.stdout.write(json.dumps(event) + "\n")
    sys.stdout.flush()


class Recorder:
    async def handle_DATA(self, server, session, envelope):
        emit({"message": {"from": envelope.mail_from, "rcpt": envelope.rcpt_tos,
                          "data": envelope.content.decode("utf-8", "replace")}})
        return "250 OK"


def authenticator_for(mode, user, password):
    def check(server, session, envelope, mechanism, data):
        if not isinstance(data, LoginPassword):
            return AuthResult(success=False, handled=False)
        given = [data.login.decode(), data.password.decode()]
        emit({"auth": given + [mechanism]})
        ok = mode == "auth" and given == [user, password]
        return AuthResult(success=ok, handled=False)
    return check


async def main():
    mode = sys.argv[1]
    user, password = (sys.argv[2], sys.argv[3]) if len(sys.argv) > 3 else ("", "")
    loop = asyncio.get_running_loop()
    if mode == "silent":
        async def never_answer(reader, writer):
            await reader.read()
        server = await asyncio.start_server(never_answer, "127.0.0.1", 0)
    else:
        def factory():
            kwargs = {"hostname": "orvane-test"}
            if mode in ("auth", "refuse"):
                # AUTH without TLS; left at its default (TLS first) AUTH is never offered here.
                kwargs["auth_require_tls"] = False
                kwargs["authenticator"] = authenticator_for(mode, user, password)
            return SMTP(Recorder(), **kwargs)
        server = await loop.create_server(factory, "127.0.0.1", 0)
    emit_port = server.sockets[0].getsockname()[1]
    sys.stdout.write("PORT %d\n" % emit_port)
    sys.stdout.flush()
    # The test ends the server by closing stdin.
    await loop.run_in_executor(None, sys.stdin.read)
    server.close()


asyncio.run(main())
