#include <gtest/gtest.h>

#include <set>

#include "Private/Helper/KavoniErrorCode.h"

namespace {

struct Pin {
    long code;
    long number;
    const char* name;
};

#define PIN(name, number) Pin{KavoniErrorCode::name, number, #name}

// Hosts and the string tables know the errors by number, so a name that drifts to another
// number breaks both without a compiler noticing.
const Pin kPins[] = {
    PIN(TransactionTokenMissing, 1000),
    PIN(CompanyIDMissing, 1001),
    PIN(SettingsIncomplete, 1002),
    PIN(OfficeClosed, 1003),
    PIN(CameraMissing, 1004),
    PIN(CameraAccessDenied, 1005),
    PIN(MicrophoneAccessDenied, 1006),
    PIN(NoAudioInput, 1007),
    PIN(NoNetwork, 1008),
    PIN(ServiceError, 1009),
    PIN(CallFailed, 1010),
    PIN(IdentificationNotSuccessful, 1011),
    PIN(UnsupportedVideoserver, 1012),

    PIN(IdentificationSetupFailed, 2000),
    PIN(LocalMediaStartFailed, 2001),
    PIN(CallSetupFailed, 2002),
    PIN(Reserved2003, 2003),
    PIN(Reserved2004, 2004),
    PIN(Reserved2005, 2005),
    PIN(VideoServiceConnectionFailed, 2006),
    PIN(ConferenceException, 2007),
    PIN(IdentificationLoadFailed, 2008),
    PIN(IdentificationDataLoadFailed, 2009),
    PIN(StartVideoIdentificationFailed, 2010),
    PIN(RequestVideoChatFailed, 2011),
    PIN(SetupCompleteFailed, 2012),
    PIN(ResendIdentCodeFailed, 2013),
    PIN(SendIdentCodeFailed, 2014),
    PIN(ScreenshotUploadFailed, 2015),
    PIN(SignatureUploadFailed, 2016),
    PIN(WifiRequired, 2017),
    PIN(StartPhotoIdentificationFailed, 2018),
    PIN(PhotoUploadFailed, 2019),
    PIN(SDPOfferExchangeFailed, 2020),
    PIN(MediaLinkLost, 2021),
    PIN(TextMessageSendFailed, 2022),
};

#undef PIN

} // namespace

TEST(KavoniErrorCodeTest, EveryNameKeepsItsNumber)
{
    for (const auto& pin : kPins)
        EXPECT_EQ(pin.code, pin.number) << pin.name;
}

// Every number of both domains has exactly one name: none missing, none given twice.
TEST(KavoniErrorCodeTest, BothDomainsAreNamedWithoutGapsOrTwins)
{
    std::set<long> named;
    for (const auto& pin : kPins)
        EXPECT_TRUE(named.insert(pin.code).second) << pin.name << " shares its number";
    std::set<long> expected;
    for (long code = 1000; code <= 1012; ++code)
        expected.insert(code);
    for (long code = 2000; code <= 2022; ++code)
        expected.insert(code);
    EXPECT_EQ(named, expected);
}
