"""The roads the simulated agent plays, as lists of steps.

A road starts when the app starts the video identification. Each step either sends the app a
command over the event channel or waits for what the app must do in answer (a call to the
service). A wait ends on the first call of that kind the service answered with success that no
earlier wait took, so an app that answers before the agent starts to wait is not missed; a call
the service refused (a wrong ident code, a chosen failure) does not count.

The order is the one of a real session: the agent joins once the app has asked for the video
chat and its event channel is open, checks the face, the document's front (with the torch) and
back, asks for the ident code or the signature, and ends the identification.
"""
from dataclasses import dataclass
from typing import Callable, Optional, Union

from . import fixtures


@dataclass(frozen=True)
class Send:
    """A command to the app; `data` may be computed from the road (its base URL, its token)."""
    command: str
    data: Union[None, dict, Callable[["RoadContext"], dict]] = None


@dataclass(frozen=True)
class Chat:
    """A chat message from the agent."""
    content: str


@dataclass(frozen=True)
class Expect:
    """Waits for one successful call of any of these kinds ("setupComplete",
    "uploadScreenshot/FACESCREENSHOT", "chat", ...)."""
    calls: tuple[str, ...]

    def __init__(self, *calls: str) -> None:
        object.__setattr__(self, "calls", calls)


@dataclass(frozen=True)
class ExpectChannel:
    """Waits until the app's event channel for the identification is open."""


@dataclass(frozen=True)
class NotifyWaitingUser:
    """An agent is free for a user on the waiting list: from now on the identification's data
    says so ("waitingListNotified") and the service accepts the user's start."""


Step = Union[Send, Chat, Expect, ExpectChannel, NotifyWaitingUser]


@dataclass(frozen=True)
class RoadContext:
    token: str      # as the app sends it in its identification calls
    base_url: str   # where the app reached the service


@dataclass(frozen=True)
class Script:
    name: str
    description: str
    steps: tuple[Step, ...]
    # The customer configuration that a token naming this road gets, so that the app takes the
    # road the agent expects (the ident code is asked for only without e-signing).
    esigning: bool = False
    video_server: bool = True
    # The service answers the first start with HTTP 429: the user must wait for an agent.
    waiting_list: bool = False
    keyword: str = ""


def _signing_page(context: RoadContext) -> str:
    return f"{context.base_url}/{fixtures.SHORT_NAME}/identifications/{context.token}/signingDone"


def _docusign(context: RoadContext) -> dict:
    return {"url": _signing_page(context), "consentProtocolVersion": "docusign"}


def _native(context: RoadContext) -> dict:
    return {"url": _signing_page(context), "consentProtocolVersion": "native"}


FACE, FRONT, BACK = "FACESCREENSHOT", "IDFRONTSIDE", "IDBACKSIDE"
CODE_REQUEST = ("resendConfirmationToken", "resendConfirmationTokenViaEmail")

# The agent joins once the app asked for the video chat and listens; the app reports the call
# set up; the agent greets the user and waits for an answer.
_JOIN = (
    Expect("requestVideoChat"),
    ExpectChannel(),
    Send("agentConnected"),
    Expect("setupComplete"),
    Send("setupComplete"),
    Chat("Hello, I am your agent today. Can you hear me well?"),
    Expect("chat"),
)

_DOCUMENT = (
    Send("takeScreenshot", {"type": FACE}),
    Expect("uploadScreenshot/" + FACE),
    Send("finishedFace"),
    Chat("Please hold the front of your identity card into the camera."),
    Send("showHelp", {"type": "turnFlashlightOn"}),
    Send("takeScreenshot", {"type": FRONT}),
    Expect("uploadScreenshot/" + FRONT),
    Send("showHelp", {"type": "turnFlashlightOff"}),
    Send("finishedIdFrontside"),
    Send("wiggleDone"),
    Send("takeScreenshot", {"type": BACK}),
    Expect("uploadScreenshot/" + BACK),
    Send("finishedIdBackside"),
)

_IDENT_CODE = (
    Chat("You will now get an ident code. Please enter it in the app."),
    Send("idNumberDone"),
    Expect(*CODE_REQUEST),
    Expect("sendConfirmationToken"),
)

_WHOLE = _JOIN + _DOCUMENT + _IDENT_CODE + (Send("finished"),)

SCRIPTS = {
    script.name: script for script in (
        Script("identification", "the whole identification: face, document, ident code, finished",
               _WHOLE, keyword="AGENTIDENT"),
        Script("docusign", "signing on the remote page: the drawn signature uploaded, then the "
               "signing page done", _JOIN + _DOCUMENT + (
                   Send("idNumberDone"),
                   Chat("Please sign the contracts now."),
                   Send("startESigning", _docusign),
                   Expect("uploadScreenshot/signature"),
                   Expect("signingDone"),
                   Send("signatureDone"),
                   Send("finished"),
               ), esigning=True, keyword="AGENTDOCUSIGN"),
        Script("nativeConsent", "signing in the app: approval phrases, ident code by SMS, signing "
               "done", _JOIN + _DOCUMENT + (
                   Send("idNumberDone"),
                   Chat("Please confirm the contracts in the app."),
                   Send("startESigning", _native),
                   Expect(*CODE_REQUEST),
                   Expect("sendConfirmationToken"),
                   Expect("signingDone"),
                   Send("finished"),
               ), esigning=True, keyword="AGENTNATIVE"),
        Script("failed", "the agent cannot read the document and ends the identification as "
               "failed", _JOIN + (
                   Send("takeScreenshot", {"type": FACE}),
                   Expect("uploadScreenshot/" + FACE),
                   Send("finishedFace"),
                   Send("takeScreenshot", {"type": FRONT}),
                   Expect("uploadScreenshot/" + FRONT),
                   Chat("I am sorry, your document cannot be read. The identification failed."),
                   Send("failed"),
               ), keyword="AGENTFAILS"),
        Script("waitingList", "no agent is free: the start is answered 429, the user enrols on "
               "the waiting list, is notified and starts again; then the whole identification",
               (Expect("waitingListEnrollment"), NotifyWaitingUser(), Expect("start")) + _WHOLE,
               waiting_list=True, keyword="AGENTWAITING"),
        Script("noVideoServer", "the customer configuration disables the video server: the "
               "whole identification on the app's local media", _WHOLE,
               video_server=False, keyword="AGENTNOVIDEO"),
    )
}


def script_for_token(token: str) -> Optional[Script]:
    """The road a token names by its keyword; none for every other token."""
    for script in SCRIPTS.values():
        if script.keyword in token:
            return script
    return None
