"""Process entry: HTTPS on loopback, the chosen port on stdout, logs on stderr, a clean stop on
SIGTERM or SIGINT (and, when asked, when stdin closes: the test process that started it is
gone)."""
import argparse
import asyncio
import errno
import logging
import os
import signal
import socket
import ssl
import sys

from aiohttp import web

from .app import build_app

DEFAULT_PORT = 47443
DEFAULT_CERTS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "certs")

log = logging.getLogger("kavoni_sim")


def parse_arguments(argv=None) -> argparse.Namespace:
    parser = argparse.ArgumentParser(prog="kavoni_sim",
                                     description="The simulated identification service.")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT,
                        help=f"port on 127.0.0.1 and ::1; 0 picks a free one (default {DEFAULT_PORT})")
    parser.add_argument("--certs", default=DEFAULT_CERTS,
                        help="folder with server.pem and server.key (default: sim/certs)")
    parser.add_argument("--stop-on-stdin-eof", action="store_true",
                        help="stop when stdin reaches its end (for a parent process)")
    parser.add_argument("--quiet", action="store_true", help="log warnings only")
    return parser.parse_args(argv)


def tls_context(certs: str) -> ssl.SSLContext:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(os.path.join(certs, "server.pem"), os.path.join(certs, "server.key"))
    return context


def loopback_sockets(port: int) -> list[socket.socket]:
    """127.0.0.1, and ::1 on the same port when the machine has it: "localhost" then works
    whichever address the client tries first."""
    ipv4 = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    ipv4.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    ipv4.bind(("127.0.0.1", port))
    ipv4.listen(128)
    sockets = [ipv4]
    chosen = ipv4.getsockname()[1]
    try:
        ipv6 = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        ipv6.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        ipv6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        ipv6.bind(("::1", chosen))
        ipv6.listen(128)
        sockets.append(ipv6)
    except OSError as error:
        if error.errno not in (errno.EADDRNOTAVAIL, errno.EAFNOSUPPORT, errno.EADDRINUSE):
            raise
        log.warning("not listening on [::1]:%d: %s", chosen, error.strerror)
    return sockets


async def serve(arguments: argparse.Namespace) -> None:
    loop = asyncio.get_running_loop()
    stop = asyncio.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signal_number, stop.set)
    if arguments.stop_on_stdin_eof:
        def stdin_readable() -> None:
            if not os.read(sys.stdin.fileno(), 4096):
                loop.remove_reader(sys.stdin.fileno())
                stop.set()
        loop.add_reader(sys.stdin.fileno(), stdin_readable)

    sockets = loopback_sockets(arguments.port)
    runner = web.AppRunner(build_app(), access_log=None)
    await runner.setup()
    context = tls_context(arguments.certs)
    for sock in sockets:
        await web.SockSite(runner, sock, ssl_context=context, shutdown_timeout=1.0).start()
    port = sockets[0].getsockname()[1]
    log.info("listening on https://localhost:%d", port)
    print(f"PORT {port}", flush=True)

    await stop.wait()
    log.info("stopping")
    await runner.cleanup()


def main(argv=None) -> None:
    arguments = parse_arguments(argv)
    logging.basicConfig(stream=sys.stderr, level=logging.WARNING if arguments.quiet else logging.INFO,
                        format="kavoni_sim %(levelname)s: %(message)s")
    # The ICE agent logs every check at INFO; the video server logs what a test needs.
    logging.getLogger("aioice").setLevel(logging.WARNING)
    try:
        asyncio.run(serve(arguments))
    except (OSError, ssl.SSLError) as error:
        log.error("%s", error)
        sys.exit(1)
