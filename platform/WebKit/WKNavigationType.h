#pragma once
// What started a navigation.
enum WKNavigationType : long {
    WKNavigationTypeLinkActivated = 0,
    WKNavigationTypeFormSubmitted = 1,
    WKNavigationTypeBackForward = 2,
    WKNavigationTypeReload = 3,
    WKNavigationTypeFormResubmitted = 4,
    WKNavigationTypeOther = -1,
};
