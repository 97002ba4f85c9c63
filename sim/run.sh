#!/usr/bin/env bash
# Runs the simulated identification service by hand, on https://localhost:47443 (the
# development environment's host) or on the port given as the first argument.
# Stop it with Ctrl-C.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/make-certs.sh" >&2
cd "$here"
exec env -u PYTHONHOME -u PYTHONPATH /usr/bin/python3 -m kavoni_sim --port "${1:-47443}"
