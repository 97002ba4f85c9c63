"""A WebSocket server for the WebSocket client's tests, steered by the client's own messages.

Listens on 127.0.0.1: one plain port and one TLS port per certificate given, and prints the
ports as one JSON line ({"plain": p, "tls": [p1, p2, ...]}) once it is ready.

Every text message is echoed, except these commands:
  "!pong <hex>"            send an unsolicited pong with these payload bytes
  "!binary <text>"         send the text back as a binary message
  "!close <code> [reason]" close with this code and reason
  "!drop"                  drop the TCP connection without a close frame
A handshake for the path "/missing" is answered with HTTP 404.

Run with Debian's own interpreter (/usr/bin/python3), which has python3-websockets.
"""
import asyncio
import http
import json
import logging
import ssl
import sys

import websockets


async def serve_client(ws, path=None):
    async for message in ws:
        if isinstance(message, bytes):
            await ws.send(message)
        elif message.startswith("!pong "):
            await ws.pong(bytes.fromhex(message[len("!pong "):]))
        elif message.startswith("!binary "):
            await ws.send(message[len("!binary "):].encode())
        elif message.startswith("!close "):
            code, _, reason = message[len("!close "):].partition(" ")
            await ws.close(int(code), reason)
            return
        elif message == "!drop":
            ws.transport.abort()
            return
        else:
            await ws.send(message)


async def refuse_missing(path, headers):
    if path == "/missing":
        return http.HTTPStatus.NOT_FOUND, [], b"no such channel\n"
    return None


async def main(pairs):
    servers = [await websockets.serve(serve_client, "127.0.0.1", 0, process_request=refuse_missing)]
    for certificate, key in pairs:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(certificate, key)
        servers.append(await websockets.serve(serve_client, "127.0.0.1", 0, ssl=context, process_request=refuse_missing))
    ports = [server.sockets[0].getsockname()[1] for server in servers]
    print(json.dumps({"plain": ports[0], "tls": ports[1:]}), flush=True)
    await asyncio.Future()


if __name__ == "__main__":
    # The drops the tests ask for are not errors worth a traceback.
    logging.getLogger("websockets").setLevel(logging.CRITICAL)
    arguments = sys.argv[1:]
    asyncio.run(main(list(zip(arguments[0::2], arguments[1::2]))))
