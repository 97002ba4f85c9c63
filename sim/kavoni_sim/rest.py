"""The identification service's REST API and web pages.

Paths:
  GET  /api/v1/{identifier}                                    customer configuration
  GET  /api/v1/{shortName}/identifications/{token}             video identification data
                                                               (also the waiting-queue poll)
  GET  .../{token}/documents                                   e-signing contracts
  GET  .../{token}/documents/{identifier}/data                 one contract's page
  GET  .../{token}/approvalPhrases                             approval phrases
  POST .../{token}/start                                       video or photo start
  POST .../{token}/resendConfirmationToken[ViaEmail]           ident code by SMS or e-mail
  POST .../{token}/<component>                                 the acknowledged calls below
  POST .../{token}/uploadScreenshot/{type}                     base64 JPEG upload
  POST .../{token}/chat/agent/sendMsg                          chat message
  GET  /assets/messages.json?shortName=...                     the service's texts
  GET  /assets/{page}.html                                     the pages the texts link to
  GET  /{shortName}/identifications/{token}/signingDone        e-signing completion
"""
import base64
import binascii

from . import fixtures
from .answers import error_answer, html_answer, json_answer, ok
from .routing import Call, Router

IDENT = "/api/v1/{shortName}/identifications/{token}"

# Calls that the service only acknowledges.
ACKNOWLEDGED = (
    "requestVideoChat",
    "setupComplete",
    "signingRefuse",
    "failed",
    "canceled",
    "notificationSubscription",
    "waitingListEnrollment",
    "appEnteredForeground",
    "appEnteredBackground",
)


async def customer_configuration(call: Call):
    configuration = fixtures.customer_configuration(call.params["identifier"])
    if configuration is None:
        return error_answer(404, "OBJECT_NOT_FOUND")
    return json_answer(configuration)


async def identification_data(call: Call):
    return json_answer(fixtures.identification_data(call.params["token"]))


async def documents(call: Call):
    return json_answer(fixtures.CONTRACTS)


async def document_data(call: Call):
    identifier = call.params["identifier"]
    for contract in fixtures.CONTRACTS:
        if contract["documentDefinition"]["identifier"] == identifier:
            return html_answer(contract["name"], f"Version {contract['version']}, "
                               f"document hash {contract['displayHash']}.")
    return error_answer(404, "OBJECT_NOT_FOUND")


async def approval_phrases(call: Call):
    return json_answer(fixtures.APPROVAL_PHRASES)


async def start(call: Call):
    token = call.params["token"]
    body = call.json()
    if (not isinstance(body, dict) or body.get("token") != token
            or not isinstance(body.get("clientInfo"), dict)):
        return error_answer(400, "INVALID_REQUEST")
    if "data" in body:
        data = body["data"]
        if not isinstance(data, dict) or not data.get("idType") or not data.get("idCountry"):
            return error_answer(400, "INVALID_REQUEST")
        return json_answer(fixtures.photo_start(token))
    if "FULL" in token:
        return error_answer(429, "WAITING_LIST_ENFORCED")
    return json_answer(fixtures.video_start(token))


async def acknowledge(call: Call):
    return ok()


def _code_request(call: Call, field: str):
    # The service sends the code to what the request names; without it there is nowhere to
    # send the code to.
    body = call.json()
    if not isinstance(body, dict) or not isinstance(body.get(field), str) or not body[field].strip():
        return error_answer(400, "INVALID_REQUEST")
    return ok()


async def request_code_by_sms(call: Call):
    return _code_request(call, "mobile")


async def request_code_by_email(call: Call):
    return _code_request(call, "email")


# The two ways of asking for the ident code: path component -> handler.
CODE_REQUESTS = {
    "resendConfirmationToken": request_code_by_sms,
    "resendConfirmationTokenViaEmail": request_code_by_email,
}


async def send_confirmation_token(call: Call):
    body = call.json()
    if not isinstance(body, dict) or body.get("confirmationToken") != fixtures.IDENT_CODE:
        return error_answer(400, "WRONG_CONFIRMATION_TOKEN")
    return ok()


async def upload(call: Call):
    # The body is the JPEG as base64 text; a binary body is refused like the service does.
    try:
        image = base64.b64decode(call.body, validate=True)
    except (binascii.Error, ValueError):
        image = b""
    if not image.startswith(b"\xff\xd8"):
        return error_answer(400, "INVALID_IMAGE")
    return ok()


async def chat_message(call: Call):
    body = call.json()
    if not isinstance(body, dict) or not isinstance(body.get("content"), str):
        return error_answer(400, "INVALID_REQUEST")
    return ok()


async def messages(call: Call):
    return json_answer(fixtures.messages(call.base_url()))


async def legal_page(call: Call):
    page = call.params["page"]
    if not page.endswith(".html") or page[:-5] not in fixtures.LEGAL_PAGES:
        return error_answer(404, "OBJECT_NOT_FOUND")
    return html_answer(*fixtures.LEGAL_PAGES[page[:-5]])


async def signing_done(call: Call):
    return html_answer("Signing done", "The documents have been signed.")


def register(router: Router) -> None:
    router.add("GET", "/assets/messages.json", messages)
    router.add("GET", "/assets/{page}", legal_page)
    router.add("GET", "/{shortName}/identifications/{token}/signingDone", signing_done)
    router.add("GET", "/api/v1/{identifier}", customer_configuration)
    router.add("GET", IDENT, identification_data)
    router.add("GET", IDENT + "/documents", documents)
    router.add("GET", IDENT + "/documents/{identifier}/data", document_data)
    router.add("GET", IDENT + "/approvalPhrases", approval_phrases)
    router.add("POST", IDENT + "/start", start)
    router.add("POST", IDENT + "/sendConfirmationToken", send_confirmation_token)
    for component, handler in CODE_REQUESTS.items():
        router.add("POST", IDENT + "/" + component, handler)
    router.add("POST", IDENT + "/uploadScreenshot/{type}", upload)
    router.add("POST", IDENT + "/chat/agent/sendMsg", chat_message)
    for component in ACKNOWLEDGED:
        router.add("POST", IDENT + "/" + component, acknowledge)
