// The WebSocket client against a real server on loopback (websocket_test_server.py): plain and
// TLS, echo and order, pongs, the ways a connection ends, the ways it fails, and the trust it
// shares with the HTTP client. Real I/O: the tests turn the main run loop until the callback
// they wait for has come.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include "Foundation/NSRunLoop.h"
#include "Foundation/RunLoopClock.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPTrust.h"
#include "Network/NSURLError.h"
#include "Network/PublicKeyPinning.h"
#include "WebSocket/WebSocket.h"
#include "WebSocket/WebSocketTLS.h"
#include "WebSocketTestServer.h"

namespace {

struct Closed {
    long code = 0;
    std::optional<std::string> reason;
    bool wasClean = false;
};

// Writes down every callback, in order, and whether each came on the main thread with the
// ready state the socket should have by then.
class Recorder : public WebSocketDelegate {
public:
    void webSocketDidOpen(const std::shared_ptr<WebSocket>& socket) override
    {
        note("open", socket, WebSocketReadyStateOpen);
        opened = true;
    }
    void webSocket_didReceiveMessage(const std::shared_ptr<WebSocket>& socket, const std::string& message) override
    {
        note("text", socket, WebSocketReadyStateOpen);
        texts.push_back(message);
    }
    void webSocket_didReceiveMessageWithData(const std::shared_ptr<WebSocket>& socket, const NSData& data) override
    {
        note("data", socket, WebSocketReadyStateOpen);
        datas.push_back(data);
    }
    void webSocket_didReceivePong(const std::shared_ptr<WebSocket>& socket, const NSData& payload) override
    {
        note("pong", socket, WebSocketReadyStateOpen);
        pongs.push_back(payload);
    }
    void webSocket_didCloseWithCode_reason_wasClean(const std::shared_ptr<WebSocket>& socket, long code,
                                                    const std::optional<std::string>& reason, bool wasClean) override
    {
        note("close", socket, WebSocketReadyStateClosed);
        closed = Closed{code, reason, wasClean};
    }
    void webSocket_didFailWithError(const std::shared_ptr<WebSocket>& socket, const std::shared_ptr<NSError>& error) override
    {
        note("fail", socket, WebSocketReadyStateClosed);
        this->error = error;
    }

    bool ended() const { return closed.has_value() || error != nullptr; }

    std::vector<std::string> events;
    bool allOnMainThreadInState = true;
    bool opened = false;
    std::vector<std::string> texts;
    std::vector<NSData> datas;
    std::vector<NSData> pongs;
    std::optional<Closed> closed;
    std::shared_ptr<NSError> error;

private:
    void note(const std::string& event, const std::shared_ptr<WebSocket>& socket, WebSocketReadyState expected)
    {
        events.push_back(event);
        allOnMainThreadInState = allOnMainThreadInState && NSRunLoop::isMainThread() && socket && socket->readyState() == expected;
    }
};

int unusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string port(int number) { return std::to_string(number); }

} // namespace

class WebSocketTest : public ::testing::Test {
protected:
    enum TLSServer { Trusted = 0, Stranger = 1, Late = 2 };

    static void SetUpTestSuite()
    {
        s_directory = std::filesystem::temp_directory_path() / ("kvn-websocket-test-" + std::to_string(::getpid()));
        try {
            s_trusted = makeTestCertificate(s_directory.string(), "trusted", "IP:127.0.0.1");
            s_stranger = makeTestCertificate(s_directory.string(), "stranger", "IP:127.0.0.1");
            s_late = makeTestCertificate(s_directory.string(), "late", "IP:127.0.0.1");
            s_server = new WebSocketTestServer({s_trusted, s_stranger, s_late});
        } catch (const std::exception& e) {
            s_setUpFailure = e.what();
        }
        HTTPTrust::addTrustedCertificateAuthorityFile(s_trusted.authorityFile);
    }

    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(s_directory, ec);
    }

    void SetUp() override
    {
        ASSERT_NE(s_server, nullptr) << s_setUpFailure;
        loop = NSRunLoop::mainRunLoop();
        loop->setClock(std::make_shared<MonotonicClock>());
    }

    void TearDown() override { loop->pump(); }

    static std::string plainURL(const std::string& scheme = "http", const std::string& path = "/channel")
    {
        return scheme + "://127.0.0.1:" + port(s_server->plainPort()) + path;
    }
    static std::string secureURL(TLSServer server, const std::string& scheme = "https", const std::string& host = "127.0.0.1")
    {
        return scheme + "://" + host + ":" + port(s_server->tlsPort(server)) + "/channel";
    }

    struct Client {
        std::shared_ptr<WebSocket> socket;
        std::shared_ptr<Recorder> recorder;
    };

    Client start(const std::string& URL)
    {
        Client client{std::make_shared<WebSocket>(), std::make_shared<Recorder>()};
        client.socket->initWithURL(URL);
        client.socket->setDelegate(client.recorder);
        client.socket->open();
        return client;
    }

    // Starts a client and turns the loop until it opened (or ended).
    Client connect(const std::string& URL)
    {
        Client client = start(URL);
        spinUntil([&] { return client.recorder->opened || client.recorder->ended(); });
        return client;
    }

    bool spinUntil(std::function<bool()> predicate) { return loop->spin_until(std::move(predicate), 20.0); }

    std::shared_ptr<NSRunLoop> loop;

    static inline std::filesystem::path s_directory;
    static inline TestCertificate s_trusted;
    static inline TestCertificate s_stranger;
    static inline TestCertificate s_late;
    static inline WebSocketTestServer* s_server = nullptr;
    static inline std::string s_setUpFailure;
};

TEST_F(WebSocketTest, OpensEchoesInOrderAndClosesCleanly)
{
    auto socket = std::make_shared<WebSocket>();
    auto recorder = std::make_shared<Recorder>();
    socket->initWithURL(plainURL());
    socket->setDelegate(recorder);
    EXPECT_EQ(socket->readyState(), WebSocketReadyStateConnecting);
    EXPECT_FALSE(socket->send("too early")) << "nothing is sent before the socket is open";

    socket->open();
    ASSERT_TRUE(spinUntil([&] { return recorder->opened || recorder->ended(); }));
    ASSERT_TRUE(recorder->opened) << (recorder->error ? recorder->error->description() : "");
    EXPECT_EQ(socket->readyState(), WebSocketReadyStateOpen);

    const std::vector<std::string> sent{"one", "11|{\"a\":\"b|c\"}", "three", ""};
    for (const auto& text : sent)
        EXPECT_TRUE(socket->send(text));
    EXPECT_FALSE(socket->send("\xff\xfe not UTF-8")) << "a text frame must hold UTF-8";
    ASSERT_TRUE(spinUntil([&] { return recorder->texts.size() >= sent.size(); }));
    EXPECT_EQ(recorder->texts, sent);

    ASSERT_TRUE(socket->send("!binary bytes"));
    ASSERT_TRUE(spinUntil([&] { return !recorder->datas.empty(); }));
    EXPECT_EQ(recorder->datas.front(), NSDataFromString("bytes"));

    socket->close();
    EXPECT_EQ(socket->readyState(), WebSocketReadyStateClosing);
    EXPECT_FALSE(socket->send("after close"));
    ASSERT_TRUE(spinUntil([&] { return recorder->ended(); }));
    ASSERT_TRUE(recorder->closed.has_value());
    EXPECT_EQ(recorder->closed->code, 1000);
    EXPECT_EQ(recorder->closed->reason, std::nullopt);
    EXPECT_TRUE(recorder->closed->wasClean);
    EXPECT_EQ(socket->readyState(), WebSocketReadyStateClosed);
    EXPECT_EQ(recorder->events.front(), "open");
    EXPECT_EQ(recorder->events.back(), "close");
    EXPECT_TRUE(recorder->allOnMainThreadInState);
}

TEST_F(WebSocketTest, PongPayloadBytesReachTheDelegate)
{
    struct Case {
        std::string hex;
        NSData payload;
    };
    const std::vector<Case> cases{
        {"03010301", {3, 1, 3, 1}}, // the event channel's keep-alive answer
        {"", {}},                   // a pong without payload
        {"ff0080", {0xff, 0x00, 0x80}},
    };
    Client client = connect(plainURL());
    ASSERT_TRUE(client.recorder->opened);
    for (const auto& c : cases)
        ASSERT_TRUE(client.socket->send("!pong " + c.hex));
    ASSERT_TRUE(spinUntil([&] { return client.recorder->pongs.size() >= cases.size(); }));
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(client.recorder->pongs[i], cases[i].payload) << "pong " << cases[i].hex;
    EXPECT_TRUE(client.recorder->allOnMainThreadInState);
}

TEST_F(WebSocketTest, TheServerEndingTheConnectionIsACloseWithItsCode)
{
    struct Case {
        std::string command;
        long code;
        std::optional<std::string> reason;
        bool wasClean;
        const char* why;
    };
    const std::vector<Case> cases{
        {"!close 1000 bye", 1000, "bye", true, "a normal close"},
        {"!close 1001 going", 1001, "going", true, "a clean close with another code"},
        {"!close 4001 ", 4001, std::nullopt, true, "a close frame without reason gives no reason"},
        {"!drop", 1006, std::nullopt, false, "a dropped connection: no close frame, not clean"},
    };
    for (const auto& c : cases) {
        Client client = connect(secureURL(Trusted));
        ASSERT_TRUE(client.recorder->opened) << c.why;
        ASSERT_TRUE(client.socket->send(c.command));
        ASSERT_TRUE(spinUntil([&] { return client.recorder->ended(); })) << c.why;
        ASSERT_TRUE(client.recorder->closed.has_value()) << c.why;
        EXPECT_EQ(client.recorder->closed->code, c.code) << c.why;
        EXPECT_EQ(client.recorder->closed->reason, c.reason) << c.why;
        EXPECT_EQ(client.recorder->closed->wasClean, c.wasClean) << c.why;
        EXPECT_EQ(client.recorder->error, nullptr) << c.why;
        EXPECT_EQ(client.socket->readyState(), WebSocketReadyStateClosed) << c.why;
        EXPECT_TRUE(client.recorder->allOnMainThreadInState) << c.why;
    }
}

TEST_F(WebSocketTest, TheClientsCloseCodeAndReasonGoOutAsTheWireAllows)
{
    // The server answers a close frame with the same code and reason, so what the delegate
    // hears back is what went out.
    struct Case {
        long code;
        std::string reason;
        long sentCode;
        std::optional<std::string> sentReason;
        const char* why;
    };
    const std::vector<Case> cases{
        {1000, "", 1000, std::nullopt, "a plain close"},
        {4000, "done", 4000, "done", "an application code with a reason"},
        {1006, "x", 1000, "x", "1006 may not be sent"},
        {70000, "", 1000, std::nullopt, "a code out of range"},
        {1000, "ok \xff", 1000, "ok ", "only the UTF-8 beginning of a reason goes out"},
        {1000, std::string(200, 'r'), 1000, std::string(123, 'r'), "a reason is cut to what a frame holds"},
        {1000, std::string(122, 'r') + "\xc3\xa9", 1000, std::string(122, 'r'), "never inside a character"},
    };
    for (const auto& c : cases) {
        Client client = connect(plainURL());
        ASSERT_TRUE(client.recorder->opened) << c.why;
        client.socket->closeWithCode_reason(c.code, c.reason);
        ASSERT_TRUE(spinUntil([&] { return client.recorder->ended(); })) << c.why;
        ASSERT_TRUE(client.recorder->closed.has_value()) << c.why;
        EXPECT_EQ(client.recorder->closed->code, c.sentCode) << c.why;
        EXPECT_EQ(client.recorder->closed->reason, c.sentReason) << c.why;
        EXPECT_TRUE(client.recorder->closed->wasClean) << c.why;
    }
}

TEST_F(WebSocketTest, AConnectionThatCannotOpenFailsWithAReadableError)
{
    struct Case {
        std::string URL;
        long code;
        const char* why;
        std::string inDescription = "";
    };
    const std::vector<Case> cases{
        {"http://127.0.0.1:" + port(unusedPort()) + "/channel", NSURLErrorCannotConnectToHost, "nothing listens"},
        {plainURL("http", "/missing"), NSURLErrorBadServerResponse, "the server answers the handshake with 404", "404"},
        {"ftp://127.0.0.1/channel", NSURLErrorUnsupportedURL, "not a WebSocket scheme"},
        {"no URL at all", NSURLErrorBadURL, "not a URL"},
        {plainURL("https"), NSURLErrorSecureConnectionFailed, "https is TLS, even towards a plain server"},
        {secureURL(Stranger), NSURLErrorServerCertificateUntrusted, "an authority nobody trusts"},
        {secureURL(Trusted, "https", "localhost"), NSURLErrorServerCertificateUntrusted, "the certificate is not for this host name"},
    };
    for (const auto& c : cases) {
        Client client = start(c.URL);
        ASSERT_TRUE(spinUntil([&] { return client.recorder->ended(); })) << c.why;
        ASSERT_NE(client.recorder->error, nullptr) << c.why;
        const auto& error = *client.recorder->error;
        EXPECT_EQ(error.domain(), NSURLErrorDomain) << c.why;
        EXPECT_EQ(error.code(), c.code) << c.why << ": " << error.description();
        EXPECT_NE(NSDictionaryValue<std::string>(error.userInfo(), NSLocalizedDescriptionKey), nullptr) << c.why;
        EXPECT_NE(error.localizedDescription().find(c.inDescription), std::string::npos) << c.why << ": " << error.localizedDescription();
        const auto* URL = NSDictionaryValue<std::string>(error.userInfo(), NSURLErrorFailingURLStringErrorKey);
        ASSERT_NE(URL, nullptr) << c.why;
        EXPECT_EQ(*URL, c.URL) << c.why;
        EXPECT_EQ(client.recorder->events, std::vector<std::string>{"fail"}) << c.why;
        EXPECT_EQ(client.socket->readyState(), WebSocketReadyStateClosed) << c.why;
        EXPECT_TRUE(client.recorder->allOnMainThreadInState) << c.why;
    }
}

TEST_F(WebSocketTest, AnAuthorityAddedToTheHTTPTrustIsTrustedToo)
{
    Client before = connect(secureURL(Late));
    ASSERT_NE(before.recorder->error, nullptr);
    EXPECT_EQ(before.recorder->error->code(), NSURLErrorServerCertificateUntrusted);

    ASSERT_TRUE(HTTPTrust::addTrustedCertificateAuthorityFile(s_late.authorityFile));
    Client after = connect(secureURL(Late));
    ASSERT_TRUE(after.recorder->opened) << (after.recorder->error ? after.recorder->error->description() : "");
    ASSERT_TRUE(after.socket->send("hello"));
    ASSERT_TRUE(spinUntil([&] { return !after.recorder->texts.empty(); }));
    EXPECT_EQ(after.recorder->texts.front(), "hello");
}

TEST_F(WebSocketTest, TheHostsPublicKeyPinsAreEnforced)
{
    struct UnpinAtTheEnd {
        ~UnpinAtTheEnd() { PublicKeyPinning::initSharedInstanceWithConfiguration({{"pinnedDomains", nlohmann::json::object()}}); }
    } unpin;
    const auto digest = [](const TestCertificate& certificate) {
        return publicKeyPinOfCertificate(certificate.certificateFile).substr(std::string("sha256//").size());
    };
    struct Case {
        std::vector<std::string> hashes;
        bool opens;
        const char* why;
    };
    const std::vector<Case> cases{
        {{digest(s_stranger), digest(s_late)}, false, "a trusted chain whose key is not pinned is refused"},
        {{digest(s_stranger), digest(s_trusted)}, true, "the server's key is one of the pins"},
    };
    for (const auto& c : cases) {
        const nlohmann::json configuration{
            {"pinnedDomains",
             {{"127.0.0.1", {{"enforcePinning", true}, {"publicKeyAlgorithms", {"RSA2048"}}, {"publicKeyHashes", c.hashes}}}}}};
        ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(configuration), nullptr) << c.why;
        Client client = connect(secureURL(Trusted));
        EXPECT_EQ(client.recorder->opened, c.opens) << c.why;
        if (!c.opens) {
            ASSERT_NE(client.recorder->error, nullptr) << c.why;
            EXPECT_EQ(client.recorder->error->code(), NSURLErrorServerCertificateUntrusted) << c.why;
        }
    }
}

TEST_F(WebSocketTest, SchemesChoosePlainOrSecure)
{
    const std::vector<std::string> URLs{
        plainURL("http"),
        plainURL("ws"),
        secureURL(Trusted, "https"),
        secureURL(Trusted, "wss"),
        secureURL(Trusted, "HTTPS"), // schemes are case-insensitive
    };
    for (const auto& URL : URLs) {
        Client client = connect(URL);
        ASSERT_TRUE(client.recorder->opened) << URL << ": " << (client.recorder->error ? client.recorder->error->description() : "");
        ASSERT_TRUE(client.socket->send("echo " + URL));
        ASSERT_TRUE(spinUntil([&] { return !client.recorder->texts.empty(); })) << URL;
        EXPECT_EQ(client.recorder->texts.front(), "echo " + URL);
    }
}

TEST_F(WebSocketTest, ClosingWhileConnectingReportsOnlyTheClose)
{
    auto unopened = std::make_shared<WebSocket>();
    unopened->initWithURL(plainURL());
    unopened->close();
    EXPECT_EQ(unopened->readyState(), WebSocketReadyStateClosed) << "closing before open() just ends it";

    Client client = start(secureURL(Trusted));
    client.socket->closeWithCode_reason(1000, "changed my mind");
    EXPECT_EQ(client.socket->readyState(), WebSocketReadyStateClosing);
    ASSERT_TRUE(spinUntil([&] { return client.recorder->ended(); }));
    EXPECT_EQ(client.recorder->events, std::vector<std::string>{"close"}) << "no opening after the close was asked for";
    ASSERT_TRUE(client.recorder->closed.has_value());
    EXPECT_EQ(client.recorder->closed->code, 1000);
    EXPECT_TRUE(client.recorder->closed->wasClean);
}

TEST_F(WebSocketTest, AReleasedSocketCallsItsDelegateNoMore)
{
    Client client = connect(plainURL());
    ASSERT_TRUE(client.recorder->opened);
    ASSERT_TRUE(client.socket->send("in flight"));
    // Wait, without turning the loop, until the echo has been handed to the main queue.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!loop->hasPendingBlocks() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(loop->hasPendingBlocks());

    client.socket.reset();
    loop->pump();
    EXPECT_TRUE(client.recorder->texts.empty()) << "the echo must not reach the delegate of a socket that is gone";
    EXPECT_EQ(client.recorder->events, std::vector<std::string>{"open"});
}

TEST_F(WebSocketTest, PublicKeyPinsMatchTheServerKeyOnly)
{
    X509* certificate = nullptr;
    if (FILE* file = std::fopen(s_trusted.certificateFile.c_str(), "r")) {
        certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
        std::fclose(file);
    }
    ASSERT_NE(certificate, nullptr);
    const std::string pin = publicKeyPinOfCertificate(s_trusted.certificateFile);
    const std::string otherPin = publicKeyPinOfCertificate(s_stranger.certificateFile);

    struct Case {
        std::string pins;
        bool matches;
        const char* why;
    };
    const std::vector<Case> cases{
        {pin, true, "the server's own key"},
        {otherPin + ";" + pin, true, "one of several pins"},
        {otherPin, false, "another key"},
        {"", false, "no pin at all"},
        {pin.substr(std::string("sha256//").size()), false, "a digest without its sha256// prefix"},
        {s_trusted.certificateFile, false, "a file name is not a pin here"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebSocketTLS::publicKeyMatchesPins(certificate, c.pins), c.matches) << c.why;
    X509_free(certificate);
}
