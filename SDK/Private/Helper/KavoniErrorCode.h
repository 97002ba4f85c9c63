#pragma once
// Every code of the library's errors, in one table: the public domain (KavoniErrorDomain,
// 1000-1012), which KavoniController reports to the host, and the internal domain
// (KavoniInternalErrorDomain, 2000-2022), one code per failing operation. The values are
// fixed: hosts and the string tables know the errors by number. Make and compare codes by
// these names, never by the number. A reserved code has texts in the string tables but
// nothing raises it.

namespace KavoniErrorCode {

enum Code : long {
    // Public domain.
    TransactionTokenMissing = 1000,     // transaction token missing or blank
    CompanyIDMissing = 1001,            // company identifier missing or blank, and not to be ignored
    SettingsIncomplete = 1002,          // reserved
    OfficeClosed = 1003,                // the service's office is closed (video identification)
    CameraMissing = 1004,               // the front or the rear camera is missing
    CameraAccessDenied = 1005,          // the user denied access to the camera
    MicrophoneAccessDenied = 1006,      // the user denied access to the microphone
    NoAudioInput = 1007,                // no audio input on the device
    NoNetwork = 1008,                   // no network
    ServiceError = 1009,                // a call to the service failed
    CallFailed = 1010,                  // the video call failed on an internal error, which it carries
    IdentificationNotSuccessful = 1011, // the identification ended without success
    UnsupportedVideoserver = 1012,      // the service assigned a video server this client does not support

    // Internal domain.
    IdentificationSetupFailed = 2000,       // reserved
    LocalMediaStartFailed = 2001,           // starting the local camera and microphone
    CallSetupFailed = 2002,                 // reserved
    Reserved2003 = 2003,                    // reserved, described by the default text
    Reserved2004 = 2004,                    // reserved, described by the default text
    Reserved2005 = 2005,                    // reserved, described by the default text
    VideoServiceConnectionFailed = 2006,    // reserved
    ConferenceException = 2007,             // the media conference reported an unhandled exception
    IdentificationLoadFailed = 2008,        // reserved; texts for HTTP 404 and 410
    IdentificationDataLoadFailed = 2009,    // reserved; texts for HTTP 404 and 410
    StartVideoIdentificationFailed = 2010,  // the video identification's "start" call
    RequestVideoChatFailed = 2011,          // the "requestVideoChat" call
    SetupCompleteFailed = 2012,             // the "setupComplete" call
    ResendIdentCodeFailed = 2013,           // asking for the ident code again, by SMS or e-mail
    SendIdentCodeFailed = 2014,             // sending the ident code the user entered; also refusing to sign
    ScreenshotUploadFailed = 2015,          // uploading a screenshot
    SignatureUploadFailed = 2016,           // uploading the signature
    WifiRequired = 2017,                    // reserved; has an alert title of its own
    StartPhotoIdentificationFailed = 2018,  // the photo identification's start call
    PhotoUploadFailed = 2019,               // uploading a photo of the photo identification
    SDPOfferExchangeFailed = 2020,          // exchanging the SDP offer with the video server
    MediaLinkLost = 2021,                   // the media link was lost, not by the app's own unlink
    TextMessageSendFailed = 2022,           // sending a chat message
};

} // namespace KavoniErrorCode
