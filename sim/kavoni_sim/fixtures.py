"""The service's fixture data.

Objects are written in the order the service writes them, which is not alphabetical (the
identity document's step before the driving licence's, a phrase's "terms" link before
"privacy"): the client keeps that order, and tests rely on it. Never sort the keys.

Customer configurations are chosen by the identifier of the configuration call: a company
identifier of CUSTOMER_CONFIGURATIONS, or a transaction token (what a client that ignores the
company identifier sends), whose keyword picks the company. Every other answer is chosen by
the transaction token: its keywords (TOKEN_KEYWORDS) switch the variants, so one token can
combine them ("DEVNOSIGN-TOKBOX"). The values derived from a token (internal token, video
session, client secret) are stable, so tests can predict them.
"""
import copy
import hashlib
from typing import Any, Optional

SHORT_NAME = "vellumbank"

# A token is anything that starts with the prefix of one of the service's environments.
TOKEN_PREFIXES = ("DEV", "TST", "TS1", "TS2", "TS3", "INT")

# The ident code the sim accepts ("sendConfirmationToken"); any other is wrong.
IDENT_CODE = "123456"

# Keyword in the token -> company whose configuration a token identifier gets.
TOKEN_COMPANIES = (
    ("PHOTO", "vellumbank-photo"),
    ("CLOSED", "vellumbank-closed"),
    ("NOSIGN", "vellumbank-nosign"),
    ("PLAIN", "vellumbank-plain"),
    ("NOCHECK", "vellumbank-nocheck"),
)
DEFAULT_COMPANY = "vellumbank"

# Keywords of the token that change the answers of the identification itself.
TOKEN_KEYWORDS = {
    "FULL": "the video start answers 429: the user is put on the waiting list (which goes by SMS)",
    "NOTIFIED": "the user was already notified from the waiting list (\"waitingListNotified\")",
    "TOKBOX": "the video start answers \"videoserverUsed\" \"TOKBOX\"",
    "NOVIDEO": "the video start answers \"videoserverUsed\" \"DISABLED\"",
}

_OFFICE_HOURS = [
    {"days": "Mon - Fri", "hours": "08:00 - 22:00"},
    {"days": "Sat", "hours": "10:00 - 18:00"},
]

_RESULT_TEXTS = {
    "successMessage": "Thank you. Your identification is complete.",
    "failureMessage": "Your identification could not be completed. Please try again.",
}


def _video_configuration(office_open: bool, esigning: bool, waiting_list: Optional[bool],
                         ident_code: bool = True, email_code: bool = True, terms: bool = True,
                         recording: bool = True, verify_mobile: bool = True) -> dict:
    settings: dict[str, Any] = {
        "processtype": "VIDEO",
        "showGTC": terms,
        "showRecordingAgreement": recording,
        "clientUseTrickleICE": False,
        "videoserver": "KAVONI",
        "identCodeRequired": ident_code,
        "identCodeChannels": ["SMS", "EMAIL"] if email_code else ["SMS"],
        "allowTextChat": True,
        "reviewTimelimit": 900,
        "verifyMobileNumber": verify_mobile,
        "processsteps": {},
        "usersteps": {"signature": {"camera": "FRONT"}},
        "ios": dict(_RESULT_TEXTS),
    }
    if esigning:
        settings["processsteps"]["esigning"] = {"handwritten": True}
    if waiting_list is not None:
        settings["waitingList"] = {
            "ios": {"enabled": waiting_list, "channel": "PUSH"},
            "waitingListTimeOut": 300,
            "waitingQueueTreshold": 5,
        }
        settings["ios"]["notificationChannel"] = "PUSH"
    return {
        "shortname": SHORT_NAME,
        "officeOpen": office_open,
        "officeHours": copy.deepcopy(_OFFICE_HOURS),
        "settings": settings,
    }


def _photo_configuration() -> dict:
    return {
        "shortname": SHORT_NAME,
        "officeOpen": True,
        "officeHours": copy.deepcopy(_OFFICE_HOURS),
        "settings": {
            "processtype": "PHOTO",
            "showGTC": True,
            "processsteps": {
                "identitydocument": {
                    "alloweddocuments": [
                        {"country": "DE", "documents": ["IDCARD", "PASSPORT"]},
                        {"country": "AT", "documents": ["PASSPORT"]},
                    ],
                    "images": ["IDFRONTSIDE", "IDBACKSIDE"],
                },
                "driverslicense": {
                    "alloweddocuments": [{"country": "DE", "documents": ["DRIVERS_LICENSE"]}],
                    "images": ["DRIVERSFRONTSIDE", "DRIVERSBACKSIDE"],
                },
                "selfie": {"images": ["FACESCREENSHOT"]},
            },
            "ios": dict(_RESULT_TEXTS),
        },
    }


CUSTOMER_CONFIGURATIONS = {
    # video, office open, e-signing on, waiting list enabled
    "vellumbank": _video_configuration(office_open=True, esigning=True, waiting_list=True),
    # video, office open, e-signing off, waiting list present but disabled
    "vellumbank-nosign": _video_configuration(office_open=True, esigning=False, waiting_list=False),
    # video, office closed, e-signing off, no waiting list settings
    "vellumbank-closed": _video_configuration(office_open=False, esigning=False, waiting_list=None),
    # video, office open, e-signing off: no ident code, terms or recording agreement, so the
    # data check screen shows the licence row only
    "vellumbank-plain": _video_configuration(office_open=True, esigning=False, waiting_list=None,
                                             ident_code=False, email_code=False, terms=False,
                                             recording=False, verify_mobile=False),
    # video, office open, e-signing off: code by SMS only, the mobile number not verified,
    # terms shown, no recording agreement
    "vellumbank-nocheck": _video_configuration(office_open=True, esigning=False, waiting_list=None,
                                               email_code=False, recording=False,
                                               verify_mobile=False),
    # photo identification: identity card and passport (DE, AT), driving licence (DE)
    "vellumbank-photo": _photo_configuration(),
}


def is_token(identifier: str) -> bool:
    return identifier.startswith(TOKEN_PREFIXES)


def company_of(identifier: str) -> Optional[str]:
    """The company whose configuration an identifier gets; None for an unknown company."""
    if is_token(identifier):
        return next((c for keyword, c in TOKEN_COMPANIES if keyword in identifier),
                    DEFAULT_COMPANY)
    return identifier if identifier in CUSTOMER_CONFIGURATIONS else None


def notify_by_sms(configuration: dict) -> None:
    """Makes a configuration's waiting list call the user back by SMS. A user forced onto the
    list by a token goes by SMS: its enrolment then needs no push registration, which only a
    host that derives its application delegate from the library's push support base answers."""
    settings = configuration.get("settings", {})
    if "waitingList" in settings:
        settings["waitingList"]["ios"]["channel"] = "SMS"
        settings["ios"]["notificationChannel"] = "SMS"


def customer_configuration(identifier: str) -> Optional[dict]:
    """The configuration for a company identifier or a token; None when there is none."""
    company = company_of(identifier)
    if company is None:
        return None
    configuration = copy.deepcopy(CUSTOMER_CONFIGURATIONS[company])
    if is_token(identifier) and "FULL" in identifier:
        notify_by_sms(configuration)
    return configuration


def _digest(token: str) -> str:
    return hashlib.sha256(token.encode("utf-8")).hexdigest()[:16]


def internal_token(token: str) -> str:
    """The token the service hands back for the rest of the identification."""
    return token if token.endswith("-INT") else token + "-INT"


def client_secret(token: str) -> str:
    return f"sim-secret-{_digest(token)}"


def video_session(token: str) -> str:
    return f"sim-session-{_digest(token)}"


def user_video_session_token(token: str) -> str:
    return f"sim-user-{_digest(token)}"


def _user_data(token: str) -> dict:
    return {
        "mobile": "+4915112345678",
        "email": "erika.mustermann@example.org",
        "waitingListEnrolled": False,
        "waitingListNotified": "NOTIFIED" in token,
    }


def identification_data(token: str) -> dict:
    """The video identification data; the waiting-queue poll reads the same answer."""
    data = _user_data(token)
    data["internalToken"] = internal_token(token)
    data["request"] = {"positionInQueue": 3, "estimatedWaitingTime": 120}
    return data


def video_start(token: str) -> dict:
    data = _user_data(token)
    used = "KAVONI"
    if "TOKBOX" in token:
        used = "TOKBOX"
    elif "NOVIDEO" in token:
        used = "DISABLED"
    data["request"] = {
        "videoSession": video_session(token),
        "userVideoSessionToken": user_video_session_token(token),
        "videoserverUsed": used,
        "clientSecret": client_secret(token),
        "positionInQueue": 2,
        "estimatedWaitingTime": 60,
    }
    return data


def photo_start(token: str) -> dict:
    return {"request": {"clientSecret": client_secret(token)}}


CONTRACTS = [
    {
        "displayHash": "7F3A-91C2-0B5D",
        "hash": "7f3a91c20b5d4e8a9c1f2b3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f6071",
        "name": "Current account agreement",
        "status": "OPEN",
        "version": "3",
        "documentDefinition": {
            "identifier": "account-agreement",
            "mimeType": "text/html",
            "name": "Current account agreement",
            "optional": False,
            "sortOrder": 1,
        },
    },
    {
        "displayHash": "B04E-5D17-C9A2",
        "hash": "b04e5d17c9a2f3e4d5c6b7a8091a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c",
        "name": "Data protection notice",
        "status": "OPEN",
        "version": "1",
        "documentDefinition": {
            "identifier": "privacy-notice",
            "mimeType": "text/html",
            "name": "Data protection notice",
            "optional": True,
            "sortOrder": 2,
        },
    },
]

# Pages below "/assets/" that the texts and the approval phrases link to.
LEGAL_PAGES = {
    "terms": ("Terms of use", "The terms of use of the identification."),
    "privacy": ("Privacy policy", "How your data is processed during the identification."),
}

APPROVAL_PHRASES = [
    {
        "name": "contracts",
        "value": "I have read the $(terms) and the $(privacy) and agree to them.",
        "urls": {
            "terms": {"link": "/assets/terms.html", "label": "terms of use"},
            "privacy": {"link": "/assets/privacy.html", "label": "privacy policy"},
        },
    },
    {
        "name": "signature",
        "value": "I agree to sign the documents electronically.",
    },
]


def messages(base_url: str) -> dict:
    """The service's texts (messages.json): the keys the client reads."""
    return {
        "js.waitingList.enforced":
            "All our agents are busy. Join the waiting list and we will call you back.",
        "js.waitingList.enforcedSuccess":
            "You are on the waiting list. We will notify you when an agent is free.",
        "js.waitingList.enforcedEnrolled":
            "You are already on the waiting list. We will notify you when an agent is free.",
        "js.signing.native.consentProtocol.documentsPhrase.one":
            "Please confirm the following document: {1}",
        "js.signing.native.consentProtocol.documentsPhrase.plural":
            "Please confirm the following {0} documents: {1}",
        "js.mobile.checkscreen.termsText":
            "I accept the terms of use and the privacy policy.",
        "js.link.terms.label.mobile": "Terms of use",
        "js.link.privacy.label.mobile": "Privacy policy",
        "js.link.terms.mobile": base_url + "/assets/terms.html",
        "js.link.privacy.mobile": base_url + "/assets/privacy.html",
        "js.mobile.phone.validation.corrected":
            "We have corrected the format of your mobile number. Please check it.",
        "js.mobile.phone.validation.error": "Please enter a valid mobile number.",
    }


# The video server's answer to an offer until the video server joins the sim: the shape of
# the exchange ("sdpMessage", "isOffer", "tieBreaker"), with a session description that
# carries no media.
SDP_ANSWER = {
    "sdpMessage": "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=-\r\nt=0 0\r\n",
    "isOffer": False,
    "tieBreaker": 0,
}
