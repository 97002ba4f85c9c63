"""The sim's video server against an aiortc client on loopback: the call itself, the record
and each control. Run by CTest (test_sim_python) or by hand:
  /usr/bin/python3 -m unittest discover -s tests/sim -p '*_test.py'
Waits are bounded generously and nothing here checks speed (bench/call_setup_aiortc.py does).
"""
import asyncio
import json
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sim"))

from kavoni_sim.client import (CA_FILE, AppPeer, http_session, split_candidates, start_sim,  # noqa: E402
                               stop_sim, until)

WAIT = 30.0
sim = None
base_url = ""


def setUpModule():
    global sim, base_url
    sim, base_url = start_sim()


def tearDownModule():
    stop_sim(sim)


def fingerprint_in(sdp: str) -> str:
    return next(line.split()[1] for line in sdp.split("\r\n") if line.startswith("a=fingerprint:sha-256"))


def dtls_state(app: AppPeer) -> str:
    return app.pc.getTransceivers()[0].receiver.transport.state


class VideoServerCase(unittest.IsolatedAsyncioTestCase):
    async def asyncSetUp(self):
        self.http = http_session(CA_FILE)
        self.peers = []
        await self.control("POST", "/__sim/reset")

    async def asyncTearDown(self):
        for app in self.peers:
            await app.close()
        await self.http.close()

    async def control(self, method, path, body=None, status=200):
        async with self.http.request(method, base_url + path, json=body) as response:
            text = await response.text()
            self.assertEqual(response.status, status, text)
            return json.loads(text) if response.content_type == "application/json" else text

    async def record(self, session=None):
        return await self.control("GET", "/__sim/video/conference" + (f"?session={session}" if session else ""))

    async def eventually(self, check):
        """Polls the async check until it holds; fails the test after WAIT seconds."""
        for _ in range(int(WAIT / 0.1)):
            if await check():
                return
            await asyncio.sleep(0.1)
        self.fail("the condition never held")

    async def until_record(self, predicate, session=None):
        latest = {}

        async def check():
            latest.update(await self.record(session))
            return predicate(latest)
        await self.eventually(check)
        return latest

    def app(self, session="sim-session-test"):
        app = AppPeer(base_url, self.http, session=session)
        self.peers.append(app)
        return app

    async def connect(self, app):
        """Offer, answer, link up; the answer's JSON."""
        status, text = await app.send_offer(await app.make_offer())
        self.assertEqual(status, 200, text)
        answer = json.loads(text)
        await app.accept(answer["sdpMessage"])
        await asyncio.wait_for(app.connected.wait(), WAIT)
        return answer


class CallTest(VideoServerCase):
    async def test_call_links_up_with_media_both_ways_and_is_recorded(self):
        app = self.app()
        answer = await self.connect(app)
        self.assertEqual((answer["isOffer"], answer["tieBreaker"]), (False, 0))
        lines = answer["sdpMessage"].split("\r\n")
        # What the app's stack relies on: one transport, it is the DTLS server, SHA-256 only.
        self.assertIn("a=group:BUNDLE 0 1", lines)
        self.assertEqual({line for line in lines if line.startswith("a=setup:")}, {"a=setup:active"})
        self.assertEqual({line.split()[0] for line in lines if line.startswith("a=fingerprint:")},
                         {"a=fingerprint:sha-256"})
        candidates = [line for line in lines if line.startswith("a=candidate:")]
        self.assertTrue(candidates)
        for line in candidates:
            self.assertEqual(line.split()[4], "127.0.0.1", line)
        self.assertNotIn("a=extmap:", answer["sdpMessage"])

        self.assertTrue(await until(lambda: app.received["video"] >= 3 and app.received["audio"] >= 3, WAIT))
        self.assertEqual(app.video_size, (640, 480))

        record = await self.until_record(lambda r: r["received"]["video"]["frames"] >= 3
                                         and r["received"]["audio"]["frames"] >= 3)
        self.assertEqual(record["session"], "sim-session-test")
        self.assertEqual(record["token"], "sim-user-test")
        self.assertEqual((record["state"], record["link"], record["end"]), ("connected", 1, None))
        self.assertEqual(record["codecs"], {"audio": "opus/48000/2", "video": "VP8/90000"})
        self.assertEqual(record["received"]["video"]["sizes"].keys(), {"640x480"})
        self.assertEqual(record["received"]["audio"]["sampleRate"], 48000)
        self.assertEqual(record["remoteFingerprint"],
                         {"algorithm": "sha-256", "value": fingerprint_in(app.pc.localDescription.sdp)})
        self.assertEqual(record["localFingerprint"]["value"], fingerprint_in(answer["sdpMessage"]))
        self.assertIn("urn:ietf:params:rtp-hdrext:sdes:mid", record["extensionsIgnored"])
        self.assertEqual(record["states"][-1]["state"], "connected")
        for kind in ("audio", "video"):
            self.assertIsInstance(record["stats"][kind]["packetsLost"], int)
            self.assertGreater(record["stats"][kind]["packetsReceived"], 0)

        # The app hanging up ends the link on the server's side too.
        await app.close()
        record = await self.until_record(lambda r: r["closedAt"] is not None)
        self.assertEqual((record["state"], record["end"]), ("closed", "closed by the app"))

    async def test_a_certificate_that_does_not_match_the_offered_fingerprint_fails_the_link(self):
        app = self.app()
        offer = await app.make_offer()
        offered = fingerprint_in(offer)
        wrong = ("00" if not offered.startswith("00") else "11") + offered[2:]
        status, text = await app.send_offer(offer.replace(offered, wrong))
        self.assertEqual(status, 200, text)
        await app.accept(json.loads(text)["sdpMessage"])
        record = await self.until_record(lambda r: r["closedAt"] is not None)
        self.assertEqual((record["end"], record["dtlsState"], record["connectedAt"]), ("link failed", "failed", None))
        self.assertEqual(record["remoteFingerprint"]["value"], offered)

    async def test_trickled_candidates_reach_the_link_whether_they_come_before_or_after_the_offer(self):
        for when in ("before", "after"):
            with self.subTest(when=when):
                session = f"trickle-{when}"
                app = self.app(session)
                offer, candidates = split_candidates(await app.make_offer())
                self.assertTrue(candidates)
                if when == "before":
                    for attribute, index in candidates:
                        self.assertEqual((await app.send_candidate(attribute, index))[0], 200)
                    state = await self.control("GET", "/__sim/video")
                    self.assertEqual(state["pendingCandidates"], {session: len(candidates)})
                status, text = await app.send_offer(offer)
                self.assertEqual(status, 200, text)
                await app.accept(json.loads(text)["sdpMessage"])
                if when == "after":
                    for attribute, index in candidates:
                        self.assertEqual((await app.send_candidate(attribute, index))[0], 200)
                await asyncio.wait_for(app.connected.wait(), WAIT)
                record = await self.record(session)
                self.assertEqual(record["candidates"], {"added": len(candidates), "refused": []})
                self.assertEqual((await self.control("GET", "/__sim/video"))["pendingCandidates"], {})

    async def test_bad_candidates_are_refused(self):
        app = self.app()
        line = "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ host"
        bodies = [
            ("not an object", ["candidate"]),
            ("no attribute", {"sdpMediaIndex": 0}),
            ("attribute not a text", {"sdpCandidateAttribute": 7, "sdpMediaIndex": 0}),
            ("too few fields", {"sdpCandidateAttribute": "candidate:1", "sdpMediaIndex": 0}),
            ("not a candidate", {"sdpCandidateAttribute": "a=fingerprint:x", "sdpMediaIndex": 0}),
            ("port out of range", {"sdpCandidateAttribute": line.replace("50000", "70000"), "sdpMediaIndex": 0}),
            ("index negative", {"sdpCandidateAttribute": line, "sdpMediaIndex": -1}),
            ("index a text", {"sdpCandidateAttribute": line, "sdpMediaIndex": "0"}),
        ]
        for name, body in bodies:
            with self.subTest(name):
                status, text = await app.post("sendCandidate", body)
                self.assertEqual(status, 400, text)
                self.assertEqual(json.loads(text)["errors"][0]["cause"], "INVALID_REQUEST")

        # Before any offer the sim keeps candidates, but not without bound.
        kept = 0
        while (await app.send_candidate(line, 0))[0] == 200:
            kept += 1
            self.assertLess(kept, 1000)
        self.assertGreater(kept, 0)

        await self.connect(app)
        status, _ = await app.send_candidate(line, 5)
        self.assertEqual(status, 400)
        record = await self.record()
        self.assertIn("no media section 5", record["candidates"]["refused"][-1]["reason"])

    async def test_offers_the_peer_cannot_take_are_refused_and_an_offer_without_media_gets_the_bare_answer(self):
        app = self.app()
        good = await app.make_offer()
        sections = good[good.index("m=audio"):good.index("m=video")]
        cases = [
            ("not an object", "v=0", 400, None),
            ("no sdpMessage", {"isOffer": True}, 400, None),
            ("an answer, not an offer", {"isOffer": False, "sdpMessage": good}, 400, None),
            ("not SDP", {"isOffer": True, "sdpMessage": "m=nonsense"}, 400, "not usable"),
            ("no ICE credentials", {"isOffer": True, "sdpMessage": good.replace("a=ice-ufrag:", "a=x-")}, 400,
             "ICE username fragment"),
            ("no VP8", {"isOffer": True, "sdpMessage": good.replace("VP8/90000", "VP9/90000")}, 400, "video"),
            ("too many sections", {"isOffer": True, "sdpMessage": good + sections * 8}, 400, "10 media sections"),
            ("no media", {"isOffer": True, "tieBreaker": "7", "sdpMessage": "v=0\r\n"}, 200, None),
        ]
        for name, body, status, reason in cases:
            with self.subTest(name):
                url_status, text = await app.post("sendSdpOffer", body)
                self.assertEqual(url_status, status, text)
                answer = json.loads(text)
                if status == 400:
                    self.assertEqual(answer["errors"][0]["cause"], "INVALID_REQUEST")
                else:
                    self.assertEqual(answer["isOffer"], False)
                    self.assertNotIn("m=", answer["sdpMessage"])
                if reason is not None:
                    link = await self.record()
                    self.assertIsNotNone(link["closedAt"])
                    self.assertIn(reason, link["end"])
                    self.assertTrue(link["end"].startswith("offer refused"))
        self.assertTrue(all(link["closedAt"] is not None
                            for link in (await self.control("GET", "/__sim/video"))["links"]))
        # The server takes a good offer after all that.
        await self.connect(app)


class ControlTest(VideoServerCase):
    async def test_drop_takes_the_link_down_and_a_new_offer_links_up_again(self):
        app = self.app()
        await self.connect(app)
        self.assertEqual((await self.control("POST", "/__sim/video/drop", {"session": "elsewhere"}))["dropped"], 0)
        self.assertEqual((await self.control("POST", "/__sim/video/drop", {"session": "sim-session-test"}))["dropped"], 1)
        self.assertTrue(await until(lambda: dtls_state(app) == "closed", WAIT))
        record = await self.record()
        self.assertEqual((record["state"], record["end"]), ("closed", "dropped by the test"))

        again = self.app()
        await self.connect(again)
        record = await self.record("sim-session-test")
        self.assertEqual((record["link"], record["state"]), (2, "connected"))
        # Without a session the newest open link goes.
        self.assertEqual((await self.control("POST", "/__sim/video/drop", {}))["dropped"], 1)
        self.assertTrue(await until(lambda: dtls_state(again) == "closed", WAIT))

    async def test_answer_faults_hit_the_next_offers_only(self):
        def refused(status, text):
            self.assertEqual(status, 503)
            self.assertEqual(json.loads(text)["errors"][0]["cause"], "INTERNAL")

        def not_json(status, text):
            self.assertEqual(status, 200)
            with self.assertRaises(ValueError):
                json.loads(text)

        def not_sdp(status, text):
            self.assertEqual(status, 200)
            self.assertFalse(json.loads(text)["sdpMessage"].startswith("v=0"))

        cases = [("refuse", refused), ("notJson", not_json), ("notSdp", not_sdp)]
        for fault, check in cases:
            with self.subTest(fault):
                await self.control("POST", "/__sim/video/answer", {"fault": fault, "count": 2})
                app = self.app()
                offer = await app.make_offer()
                for _ in range(2):
                    check(*await app.send_offer(offer))
                await self.connect(app)
                self.assertEqual((await self.control("GET", "/__sim/video"))["faults"], [])

    async def test_a_fault_for_one_conference_leaves_the_others_alone(self):
        await self.control("POST", "/__sim/video/answer", {"fault": "refuse", "status": 500, "session": "other"})
        await self.connect(self.app("sim-session-test"))
        other = self.app("other")
        status, _ = await other.send_offer(await other.make_offer())
        self.assertEqual(status, 500)

    async def test_a_delayed_answer_is_held_then_given(self):
        # Held: while the delay runs there is no link; a client that gives up leaves nothing.
        await self.control("POST", "/__sim/video/answer", {"fault": "delay", "seconds": 600})
        app = self.app()
        pending = asyncio.ensure_future(app.send_offer(await app.make_offer()))

        async def waiting():
            requests = await self.control("GET", "/__sim/requests")
            return any(r["path"].endswith("/sendSdpOffer") and r["status"] is None for r in requests)
        await self.eventually(waiting)
        self.assertEqual((await self.control("GET", "/__sim/video"))["links"], [])
        pending.cancel()
        await asyncio.gather(pending, return_exceptions=True)

        # Given: after a short delay the answer is the real one.
        await self.control("POST", "/__sim/video/answer", {"fault": "delay", "seconds": 0.2})
        await self.connect(self.app())
        self.assertEqual((await self.record())["state"], "connected")

    async def test_a_lossy_path_loses_the_apps_packets_until_it_is_set_back_to_none(self):
        app = self.app()
        await self.connect(app)
        self.assertEqual((await self.control("POST", "/__sim/video/loss",
                                             {"session": "elsewhere", "percent": 20}))["links"], 0)
        self.assertEqual((await self.control("POST", "/__sim/video/loss", {"percent": 20}))["links"], 1)
        # Audio is not repaired by retransmission, so what was thrown away shows as lost.
        record = await self.until_record(lambda r: r["loss"]["dropped"] >= 20
                                         and r["stats"]["audio"]["packetsLost"] > 0)
        self.assertEqual(record["loss"]["percent"], 20)
        self.assertGreater(record["received"]["video"]["frames"], 0)

        await self.control("POST", "/__sim/video/loss", {"session": "sim-session-test", "percent": 0})
        dropped = (await self.record())["loss"]["dropped"]
        received = (await self.record())["stats"]["audio"]["packetsReceived"]
        record = await self.until_record(lambda r: r["stats"]["audio"]["packetsReceived"] >= received + 20)
        self.assertEqual((record["loss"]["percent"], record["loss"]["dropped"]), (0, dropped))

    async def test_reset_closes_links_and_forgets_records_faults_and_kept_candidates(self):
        for path in ("/__sim/reset", "/__sim/video/reset"):
            with self.subTest(path):
                app = self.app()
                await self.connect(app)
                await self.app("waiting").send_candidate(
                    "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ host", 0)
                await self.control("POST", "/__sim/video/answer", {"fault": "refuse"})
                await self.control("POST", path)
                state = await self.control("GET", "/__sim/video")
                self.assertEqual((state["links"], state["faults"], state["pendingCandidates"]), ([], [], {}))
                self.assertTrue(await until(lambda: dtls_state(app) == "closed", WAIT))
                await self.control("GET", "/__sim/video/conference", status=404)

    async def test_bad_control_calls_are_refused(self):
        cases = [
            ("/__sim/video/answer", {"fault": "explode"}),
            ("/__sim/video/answer", {"fault": "refuse", "status": 200}),
            ("/__sim/video/answer", {"fault": "delay"}),
            ("/__sim/video/answer", {"fault": "delay", "seconds": -1}),
            ("/__sim/video/answer", {"fault": "refuse", "count": 0}),
            ("/__sim/video/answer", {"fault": "refuse", "session": 7}),
            ("/__sim/video/drop", {"session": 7}),
            ("/__sim/video/loss", {}),
            ("/__sim/video/loss", {"percent": -1}),
            ("/__sim/video/loss", {"percent": 101}),
            ("/__sim/video/loss", {"percent": "10"}),
            ("/__sim/video/loss", {"percent": True}),
            ("/__sim/video/loss", {"percent": 10, "session": 7}),
            ("/__sim/video/drop", ["session"]),
        ]
        for path, body in cases:
            with self.subTest(path=path, body=body):
                text = await self.control("POST", path, body, status=400)
                self.assertIn("bad video server call", text)
        await self.control("POST", "/__sim/video/nothing", {}, status=404)


if __name__ == "__main__":
    unittest.main()
