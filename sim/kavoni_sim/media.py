"""What the video server's peer sends, and the one change the ICE agent needs on loopback.

Both tracks pace themselves on the event loop's clock; the encoders run in aiortc's own
worker threads. Imported only when a conference with media starts (or by the test client and
the benchmark), so the sim starts as fast without the media stack.
"""
import asyncio
import fractions
import math
import time

import aioice.ice
import av
import numpy
from aiortc.mediastreams import AudioStreamTrack, VideoStreamTrack

WIDTH = 640
HEIGHT = 480
FRAMES_PER_SECOND = 15
VIDEO_CLOCK = 90000
AUDIO_RATE = 48000
AUDIO_SAMPLES = 960  # 20 ms
TONE_HZ = 440


def gather_on_loopback() -> None:
    """aioice leaves 127.0.0.1 out of its host candidates; the sim and its clients live on
    loopback only, so gather there and nowhere else (no other interface's address leaks into
    an answer, and no STUN server is asked)."""
    aioice.ice.get_host_addresses = lambda use_ipv4, use_ipv6: ["127.0.0.1"] if use_ipv4 else []


class _Pacer:
    """Holds each frame back until its time, counted from the first frame, so a slow
    encoder makes the stream late rather than fast."""

    def __init__(self) -> None:
        self._start = None

    async def wait(self, offset_seconds: float) -> None:
        now = time.monotonic()
        if self._start is None:
            self._start = now - offset_seconds
        due = self._start + offset_seconds
        if due > now:
            await asyncio.sleep(due - now)


# Seven-segment digits: which of the segments a, b, c, d, e, f, g each digit lights.
_SEGMENTS = {
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg",
    "5": "acdfg", "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg",
}
_DIGIT_W, _DIGIT_H, _STROKE = 24, 40, 5


def _draw_digit(plane: numpy.ndarray, x: int, y: int, digit: str, value: int) -> None:
    w, h, s = _DIGIT_W, _DIGIT_H, _STROKE
    half = h // 2
    boxes = {
        "a": (x, y, w, s), "d": (x, y + h - s, w, s), "g": (x, y + half - s // 2, w, s),
        "f": (x, y, s, half), "b": (x + w - s, y, s, half),
        "e": (x, y + half, s, half), "c": (x + w - s, y + half, s, half),
    }
    for segment in _SEGMENTS[digit]:
        bx, by, bw, bh = boxes[segment]
        plane[by:by + bh, bx:bx + bw] = value


class BarsTrack(VideoStreamTrack):
    """Vertical colour bars that move one step a frame, with the frame number in the top
    left corner: a receiver can tell frames apart and see motion, and the encoder gets real
    work."""

    def __init__(self, fps: int = FRAMES_PER_SECOND) -> None:
        super().__init__()
        self.fps = fps
        self.frames_sent = 0
        self._pacer = _Pacer()
        # One period of eight bars, tiled twice so any shifted window of the frame's width
        # is a plain slice.
        bar = WIDTH // 8
        luma = numpy.array([235, 210, 170, 145, 106, 81, 41, 16], numpy.uint8)
        cb = numpy.array([128, 16, 166, 54, 202, 90, 240, 128], numpy.uint8)
        cr = numpy.array([128, 146, 16, 34, 222, 240, 110, 128], numpy.uint8)
        self._luma_row = numpy.tile(numpy.repeat(luma, bar), 2)
        self._cb_row = numpy.tile(numpy.repeat(cb, bar // 2), 2)
        self._cr_row = numpy.tile(numpy.repeat(cr, bar // 2), 2)

    async def recv(self) -> av.VideoFrame:
        step = VIDEO_CLOCK // self.fps
        await self._pacer.wait(self.frames_sent * step / VIDEO_CLOCK)
        frame = self.draw(self.frames_sent)
        frame.pts = self.frames_sent * step
        frame.time_base = fractions.Fraction(1, VIDEO_CLOCK)
        self.frames_sent += 1
        return frame

    def draw(self, number: int) -> av.VideoFrame:
        shift = (number * 8) % WIDTH
        planes = numpy.empty((HEIGHT * 3 // 2, WIDTH), numpy.uint8)
        luma = planes[:HEIGHT]
        luma[:] = self._luma_row[shift:shift + WIDTH]
        chroma = planes[HEIGHT:].reshape(HEIGHT, WIDTH // 2)
        chroma[:HEIGHT // 2] = self._cb_row[shift // 2:shift // 2 + WIDTH // 2]
        chroma[HEIGHT // 2:] = self._cr_row[shift // 2:shift // 2 + WIDTH // 2]
        text = str(number)
        luma[8:8 + _DIGIT_H + 16, 8:8 + len(text) * (_DIGIT_W + 8) + 8] = 16
        for index, digit in enumerate(text):
            _draw_digit(luma, 16 + index * (_DIGIT_W + 8), 16, digit, 235)
        return av.VideoFrame.from_ndarray(planes, format="yuv420p")


class ToneTrack(AudioStreamTrack):
    """A steady sine tone, mono 48 kHz in 20 ms frames."""

    def __init__(self, hz: float = TONE_HZ) -> None:
        super().__init__()
        self.frames_sent = 0
        self._pacer = _Pacer()
        self._phase_step = 2 * math.pi * hz / AUDIO_RATE
        self._samples = numpy.arange(AUDIO_SAMPLES)

    async def recv(self) -> av.AudioFrame:
        await self._pacer.wait(self.frames_sent * AUDIO_SAMPLES / AUDIO_RATE)
        first = self.frames_sent * AUDIO_SAMPLES
        wave = numpy.sin((first + self._samples) * self._phase_step) * 8000
        frame = av.AudioFrame.from_ndarray(wave.astype(numpy.int16).reshape(1, -1), format="s16",
                                           layout="mono")
        frame.sample_rate = AUDIO_RATE
        frame.pts = first
        frame.time_base = fractions.Fraction(1, AUDIO_RATE)
        self.frames_sent += 1
        return frame
