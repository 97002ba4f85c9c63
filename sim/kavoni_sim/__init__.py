"""The simulated identification service.

One HTTPS server on loopback that plays every host of the development environment: the
identification service's REST API, its web pages (texts, signing completion) and the video
server's REST side. Tests steer it through the control API under "/__sim/" (see control.py).
"""
