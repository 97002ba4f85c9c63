#!/usr/bin/python3
"""Call set-up against the sim's video server, with aiortc playing the app: for each run, the
time from posting the offer to the answer, to the link being up (ICE and DTLS) and to the
first decoded video frame. The library's own set-up is measured the same way beside it.

  /usr/bin/python3 bench/call_setup_aiortc.py                  # starts a sim, 10 runs
  /usr/bin/python3 bench/call_setup_aiortc.py --runs 30
  /usr/bin/python3 bench/call_setup_aiortc.py --url https://127.0.0.1:47443   # a running sim

Each run is a new conference with a fresh peer on both sides; runs follow one another. One
warm-up run first is not counted: the sim loads its media stack with its first conference.
"""
import argparse
import asyncio
import json
import os
import statistics
import sys
import time
from typing import Optional

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "sim"))

from kavoni_sim.client import CA_FILE, AppPeer, http_session, start_sim, stop_sim  # noqa: E402

COLUMNS = ("answer", "connected", "first frame")


async def one_run(base_url: str, http, number: int, timeout: float) -> dict:
    app = AppPeer(base_url, http, session=f"bench-{os.getpid()}-{number}", token=f"bench-user-{number}")
    try:
        offer = await app.make_offer()
        start = time.perf_counter()
        status, text = await app.send_offer(offer)
        if status != 200:
            raise RuntimeError(f"the offer was answered {status}: {text[:200]}")
        answered = time.perf_counter()
        await app.accept(json.loads(text)["sdpMessage"])
        await asyncio.wait_for(app.connected.wait(), timeout)
        connected = time.perf_counter()
        await asyncio.wait_for(app.first_video.wait(), timeout)
        first = time.perf_counter()
        return {"answer": answered - start, "connected": connected - start, "first frame": first - start}
    finally:
        await app.close()


async def bench(base_url: str, ca_file: str, runs: int, warmup: int, timeout: float,
                json_path: Optional[str]) -> None:
    results = []
    async with http_session(ca_file) as http:
        for number in range(warmup):
            await one_run(base_url, http, -1 - number, timeout)
        print(f"call set-up against {base_url}, aiortc on both sides, ms from posting the offer")
        print(f"{'run':>6} " + " ".join(f"{c:>12}" for c in COLUMNS))
        for number in range(1, runs + 1):
            result = await one_run(base_url, http, number, timeout)
            results.append(result)
            print(f"{number:>6} " + " ".join(f"{result[c] * 1000:12.1f}" for c in COLUMNS), flush=True)
    for name, pick in (("min", min), ("median", statistics.median), ("max", max)):
        print(f"{name:>6} " + " ".join(f"{pick([r[c] for r in results]) * 1000:12.1f}" for c in COLUMNS))
    if json_path:
        with open(json_path, "w") as out:
            json.dump({"name": "aiortc", "runs": results}, out)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--warmup", type=int, default=1, help="runs before the counted ones")
    parser.add_argument("--url", help="a running sim (default: start one on a free port)")
    parser.add_argument("--ca", default=CA_FILE,
                        help="the authority the sim's certificate is signed by")
    parser.add_argument("--json", help="also write the runs (seconds) to this file")
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds a run may take to link up")
    arguments = parser.parse_args()
    if arguments.runs < 1 or arguments.warmup < 0:
        parser.error("--runs must be 1 or more, --warmup 0 or more")
    sim = None
    base_url = arguments.url
    if base_url is None:
        try:
            sim, base_url = start_sim()
        except RuntimeError as error:
            sys.exit(str(error))
    try:
        asyncio.run(bench(base_url.rstrip("/"), arguments.ca, arguments.runs, arguments.warmup,
                          arguments.timeout, arguments.json))
    finally:
        if sim is not None:
            stop_sim(sim)


if __name__ == "__main__":
    main()
