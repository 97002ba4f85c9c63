#pragma once
// The answer to a navigation action: cancel it or let it load.
enum WKNavigationActionPolicy : long {
    WKNavigationActionPolicyCancel = 0,
    WKNavigationActionPolicyAllow = 1,
};
