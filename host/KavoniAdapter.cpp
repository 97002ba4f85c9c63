#include "KavoniAdapter.h"

#include <algorithm>

#include "Foundation/Dispatch.h"
#include "Foundation/NSLog.h"
#include "KavoniViewController.h"
#include "ScriptRuntime/ScriptModuleRegistry.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIWindow.h"

SCRIPT_EXPORT_MODULE(KavoniAdapter);

std::vector<ScriptMethodExport> KavoniAdapter::methodExports()
{
    return {
        // The runtime keeps the module alive while one of its calls is queued.
        {"openKavoni", {ScriptArgumentType::String},
         [this](const nlohmann::json& arguments, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject) {
             std::optional<std::string> kavoniKey;
             if (!arguments.empty() && arguments[0].is_string())
                 kavoniKey = arguments[0].get<std::string>();
             kavoniKey_findEventsWithResolver_rejecter(kavoniKey, std::move(resolve), std::move(reject));
         }},
    };
}

void KavoniAdapter::kavoniKey_findEventsWithResolver_rejecter(const std::optional<std::string>& kavoniKey,
                                                              ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject)
{
    // The handlers are let go unused: the promise stays pending, as the script expects.
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_HIGH, 0), [kavoniKey] {
        dispatch_async(dispatch_get_main_queue(), [kavoniKey] {
            NSLog("kavoni Key : @%@", maskedTransactionToken(kavoniKey));
            auto viewController = std::make_shared<KavoniViewController>();
            viewController->init();
            viewController->setKavoniKey(kavoniKey);

            auto window = UIApplication::sharedApplication()->keyWindow();
            auto root = window ? window->rootViewController() : nullptr;
            if (!root) {
                NSLog("KavoniAdapter: no key window with a root view controller to present the identification from");
                return;
            }
            root->presentModalViewController_animated(viewController, true);
        });
    });
}

std::string KavoniAdapter::maskedTransactionToken(const std::optional<std::string>& token)
{
    if (!token)
        return "(null)";
    // Counted in characters, so that a multi-byte character is kept or masked whole.
    std::vector<std::string> characters;
    for (unsigned char c : *token) {
        if ((c & 0xC0) != 0x80 || characters.empty())
            characters.emplace_back();
        characters.back() += static_cast<char>(c);
    }
    const size_t count = characters.size();
    const size_t head = std::min<size_t>(3, count / 2);
    const size_t tail = count >= 10 ? 2 : 0;
    std::string masked;
    for (size_t i = 0; i < count; ++i)
        masked += (i < head || i >= count - tail) ? characters[i] : "*";
    return masked;
}
