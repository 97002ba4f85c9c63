// The library's call set-up against the sim's video server on loopback: the call handler
// driven as the session driver drives it (start, the camera comes up, the agent joins, the
// conference starts), timed from posting the offer to the answer, to the link being up (as
// the handler reports it to its delegate) and to the first decoded picture of the far side
// rendered. N runs one after the other, each a new handler and a new conference; one warm-up
// run first is not counted, as in bench/call_setup_aiortc.py, which measures the same points.
//
//   call_setup_bench --url https://127.0.0.1:PORT --ca sim/certs/ca.pem [--runs 10]
//                    [--warmup 1] [--early] [--json out.json]
//
// The library's log goes to standard error; the table to standard output.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "Foundation/NSRunLoop.h"
#include "MainLoopWait.h"
#include "Foundation/NSURLSessionTask.h"
#include "Foundation/NSUserDefaults.h"
#include "MediaStack/Views/RemoteVideoView.h"
#include "Network/HTTPTrust.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandlerDelegate.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Delegate : KVNWebRTCHandlerDelegate, KVNOrvelHandlerDelegate {
    bool local = false;
    std::optional<Clock::time_point> linkedUp;
    std::vector<long> errors;

    void webRTCHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIView>&) override
    {
        local = true;
    }
    void webRTCHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIView>&) override {}
    void webRTCHandler_didFailWithError(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<NSError>& error) override
    {
        errors.push_back(error ? error->code() : 0);
    }
    void webRTCHandlerWillTryToReconnect(const std::shared_ptr<KVNWebRTCHandler>&) override {}
    void webRTCHandler_didCreateScreenshot_withSuccess(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIImage>&,
                                                       bool) override
    {
    }
    void orvelHandlerDidLinkUp_withRemoteVideoControl(const std::shared_ptr<KVNOrvelHandler>&, const std::shared_ptr<UIView>&) override
    {
        if (!linkedUp)
            linkedUp = Clock::now();
    }
};

const char* const kColumns[] = {"answer", "connected", "first frame"};

// The first picture is rendered on a media thread, which posts nothing to the main queue:
// look every millisecond.
bool until(const std::function<bool()>& done, double seconds) { return kvn::bench::runMainLoopUntil(done, seconds, 0.001); }

double ms(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double, std::milli>(to - from).count(); }

// One call; the milliseconds of each column from the offer, or an error text.
std::map<std::string, double> oneRun(int number, double timeout, std::string& failure)
{
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(number);
    auto delegate = std::make_shared<Delegate>();
    auto handler = std::make_shared<KVNOrvelHandler>();
    handler->initWithDelegate(delegate);
    handler->startWithSessionID_sessionToken("bench-lib-" + tag, "bench-lib-user-" + tag);
    std::map<std::string, double> result;
    [&] {
        if (!until([&] { return delegate->local || !delegate->errors.empty(); }, timeout) || !delegate->local) {
            failure = "the camera did not start";
            return;
        }
        // As in a session: the agent joins once the camera runs.
        handler->startConference();
        if (!until([&] { return handler->SDPOfferTask() != nullptr || !delegate->errors.empty(); }, timeout) || !handler->SDPOfferTask()) {
            failure = "no offer was posted";
            return;
        }
        const auto offered = Clock::now();
        if (!until([&] { return handler->SDPOfferTask() == nullptr; }, timeout)) {
            failure = "no answer";
            return;
        }
        result["answer"] = ms(offered, Clock::now());
        if (!until([&] { return delegate->linkedUp.has_value() || !delegate->errors.empty(); }, timeout) || !delegate->linkedUp) {
            failure = "the link did not come up";
            return;
        }
        result["connected"] = ms(offered, *delegate->linkedUp);
        auto rendered = [&] {
            auto remote = handler->remoteVideoControl();
            return remote && remote->framesRendered() > 0;
        };
        if (!until(rendered, timeout)) {
            failure = "no picture of the far side";
            return;
        }
        result["first frame"] = ms(offered, Clock::now());
    }();
    if (failure.empty() && !delegate->errors.empty())
        failure = "the handler reported error " + std::to_string(delegate->errors.front());
    handler->reset();
    // Let the unlink and the camera's stop finish before the next call starts.
    until([] { return false; }, 0.3);
    return result;
}

int usage()
{
    std::fprintf(stderr, "usage: call_setup_bench --url URL --ca FILE [--runs N] [--warmup N] [--early] [--json FILE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string url, ca, jsonPath;
    int runs = 10, warmup = 1;
    bool early = false;
    const double timeout = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--url" && hasValue)
            url = argv[++i];
        else if (arg == "--ca" && hasValue)
            ca = argv[++i];
        else if (arg == "--json" && hasValue)
            jsonPath = argv[++i];
        else if (arg == "--runs" && hasValue)
            runs = std::atoi(argv[++i]);
        else if (arg == "--warmup" && hasValue)
            warmup = std::atoi(argv[++i]);
        else if (arg == "--early")
            early = true;
        else
            return usage();
    }
    if (url.empty() || ca.empty() || runs < 1 || warmup < 0)
        return usage();

    NSRunLoop::setMainThread();
    char defaults[] = "/tmp/kvn-call-setup-bench-XXXXXX";
    const int fd = ::mkstemp(defaults);
    if (fd >= 0)
        ::close(fd);
    NSUserDefaults::setStorePath(defaults);
    if (!HTTPTrust::addTrustedCertificateAuthorityFile(ca)) {
        std::fprintf(stderr, "cannot read the authority %s\n", ca.c_str());
        return 2;
    }
    auto ident = KVNIdentification::sharedIdentification();
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
    settings->setEnvironment(8);
    settings->setApiHost(url);
    settings->setVideoHost(url);
    settings->setStunHost("127.0.0.1");
    ident->setSettings(settings);
    ident->server()->setShortName("vellumbank");
    ident->setUseTrickleIce(!early);
    KVNRequestManager::sharedManager()->setIdent(ident);

    std::vector<std::map<std::string, double>> results;
    int status = 0;
    for (int number = -warmup; number < runs; ++number) {
        std::string failure;
        auto result = oneRun(number, timeout, failure);
        if (!failure.empty()) {
            std::fprintf(stderr, "run %d: %s\n", number, failure.c_str());
            status = 1;
            break;
        }
        if (number < 0)
            continue;
        if (results.empty()) {
            std::printf("call set-up against %s, the library's call handler (%s candidates), ms from posting the offer\n", url.c_str(),
                        early ? "early" : "trickled");
            std::printf("%6s %12s %12s %12s\n", "run", kColumns[0], kColumns[1], kColumns[2]);
        }
        results.push_back(result);
        std::printf("%6d %12.1f %12.1f %12.1f\n", number + 1, result["answer"], result["connected"], result["first frame"]);
        std::fflush(stdout);
    }
    if (!results.empty()) {
        auto column = [&](const char* name) {
            std::vector<double> values;
            for (auto& r : results)
                values.push_back(r[name]);
            std::sort(values.begin(), values.end());
            return values;
        };
        auto median = [](const std::vector<double>& v) {
            const size_t n = v.size();
            return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        };
        std::printf("%6s %12.1f %12.1f %12.1f\n", "min", column(kColumns[0]).front(), column(kColumns[1]).front(), column(kColumns[2]).front());
        std::printf("%6s %12.1f %12.1f %12.1f\n", "median", median(column(kColumns[0])), median(column(kColumns[1])),
                    median(column(kColumns[2])));
        std::printf("%6s %12.1f %12.1f %12.1f\n", "max", column(kColumns[0]).back(), column(kColumns[1]).back(), column(kColumns[2]).back());
    }
    if (!jsonPath.empty()) {
        nlohmann::json out = {{"name", "library"}, {"runs", nlohmann::json::array()}};
        for (auto& r : results)
            out["runs"].push_back({{"answer", r["answer"] / 1000}, {"connected", r["connected"] / 1000}, {"first frame", r["first frame"] / 1000}});
        std::ofstream(jsonPath) << out.dump() << "\n";
    }
    KVNRequestManager::sharedManager()->cancelTasks();
    ::unlink(defaults);
    return status;
}
