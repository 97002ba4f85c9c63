"""What the sim makes of a transaction token, said plainly before a run starts, so that a road
which cannot end by itself (no agent plays it, or the sim does not serve it) is no surprise.

    /usr/bin/python3 -m kavoni_sim.tokens TOKEN

prints one or more lines and exits 0 when the identification can come to an outcome on this
machine, 1 when it waits for the time-out (no agent plays the token), 2 when the library sends
the token to hosts that are not the sim. Uses the fixtures only: no server, no third-party module.
"""
import sys

from . import fixtures
from .agent_scripts import SCRIPTS, script_for_token

# The environments the library derives from a token's first three letters; every other token
# goes to production. Only the development environment's hosts are the sim (localhost).
_ENVIRONMENTS = (("DEV", "development"), ("TST", "test"), ("TS1", "test 1"), ("TS2", "test 2"),
                 ("TS3", "test 3"), ("INT", "second production"))

OUTCOME, TIME_OUT, UNSERVED = 0, 1, 2


def describe(token: str) -> tuple[int, list[str]]:
    """(OUTCOME, TIME_OUT or UNSERVED, the lines that say what the run will do)."""
    environment = next((name for prefix, name in _ENVIRONMENTS if token.startswith(prefix)),
                       "production")
    if environment != "development":
        return UNSERVED, [
            f"the token {token} does not start with \"DEV\": the library sends it to the "
            f"{environment} environment's hosts, which this machine cannot reach (the sim plays "
            "the development environment only); the initialisation fails with the \"Error\" "
            "alert (status 1)"]
    company = fixtures.company_of(token)
    configuration = fixtures.CUSTOMER_CONFIGURATIONS[company]
    settings = configuration["settings"]
    if settings["processtype"] != "VIDEO":
        return OUTCOME, [f"{token}: a photo identification ({company}): the user takes the photos "
                         "itself; no agent is needed (status 0)"]
    if not configuration["officeOpen"]:
        return OUTCOME, [f"{token}: the office is closed ({company}): the initialisation fails "
                         "with the \"Error\" alert (status 1)"]
    script = script_for_token(token)
    if script is not None and script.waiting_list:
        return OUTCOME, [f"{token}: the sim's agent plays the road \"{script.name}\": no agent "
                         "is free, the user joins the waiting list by SMS and the run ends on its "
                         "notification screen (status 4: no identification took place)"]
    if script is not None:
        ending = "status 1" if script.name == "failed" else "status 0"
        return OUTCOME, [f"{token}: the sim's agent plays the road \"{script.name}\": "
                         f"{script.description} ({ending})"]
    if "FULL" in token and "NOTIFIED" in token:
        return TIME_OUT, [f"{token}: the start is answered 429 though the user was already "
                          "notified from the waiting list: the library goes on as after a start, "
                          "the call opens and no agent answers, so the run waits until the "
                          "time-out (status 2)"]
    if "FULL" in token and "waitingList" in settings:
        return OUTCOME, [f"{token}: no agent is free: the user joins the waiting list by SMS and "
                         "the run ends on its notification screen (status 4: no identification "
                         "took place)"]
    keywords = ", ".join(s.keyword for s in SCRIPTS.values())
    return TIME_OUT, [
        f"{token}: no agent plays this token (its name has none of the keywords {keywords}):",
        "the video call opens and nobody answers, so the run waits for the agent's greeting "
        "until the time-out (status 2). That is expected: use e.g. DEVAGENTIDENT0001 for a "
        "whole identification"]


def main(argv: list[str]) -> int:
    if len(argv) != 1:
        print("usage: python3 -m kavoni_sim.tokens TOKEN", file=sys.stderr)
        return 64
    verdict, lines = describe(argv[0])
    for line in lines:
        print(line)
    return verdict


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
