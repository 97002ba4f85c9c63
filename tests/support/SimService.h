#pragma once
// The simulated identification service (sim/) as a child process of a test: `start()` runs it
// on a free loopback port over HTTPS, the destructor stops it. The library reaches it through
// `baseURL()` (environment 8: apiHost and videoHost) and trusts its certificate through
// `caFile()` (HTTPTrust::addTrustedCertificateAuthorityFile, or KVN_EXTRA_CA_FILE).
//
// Tests choose answers per call (`setAnswer`) and read what the service received
// (`requests()`). They steer the event channel of a transaction token: push commands to it,
// close it with a code, drop it, restart it, and read who is connected and when each
// connection opened and ended. These control calls are plain blocking HTTPS requests made on the calling
// thread: they never need the main run loop, so a test may call them between run-loop spins.
// Each object is used from one thread at a time. Starting takes a moment (an interpreter
// starts): a suite usually starts one in SetUpTestSuite and calls `reset()` in SetUp.
//
// Fixture identifiers and tokens are listed in sim/README.md.
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include <nlohmann/json.hpp>

class SimService {
public:
    // Creates the test certificates when they are missing (sim/make-certs.sh), starts the sim
    // with `--port 0` and waits until it listens. Throws std::runtime_error when it cannot.
    // The sim's folder is the source tree's sim/, or $KVN_SIM_DIR when set. A certificates
    // folder (server.pem, server.key) replaces sim/certs for this sim's TLS.
    static std::unique_ptr<SimService> start(const std::string& certificatesDirectory = {});
    ~SimService();
    SimService(const SimService&) = delete;
    SimService& operator=(const SimService&) = delete;

    // "https://127.0.0.1:<port>", without a trailing slash.
    std::string baseURL() const;
    int port() const { return m_port; }
    // The test authority's certificate (PEM) that signed the sim's server certificate.
    std::string caFile() const;

    // The next `count` calls (-1: every call until `reset`) whose method equals `method`
    // ("*" any method) and whose path, as sent (percent-encoding kept, no query), fully
    // matches `pathRegex` (Python `re` syntax) are answered with `status`, `body`
    // and `contentType` after `delaySeconds`. Status 0 keeps the fixture's own answer and only
    // delays it. The newest matching rule wins.
    void setAnswer(const std::string& method, const std::string& pathRegex, int status,
                   const std::string& body = "", int count = -1, double delaySeconds = 0,
                   const std::string& contentType = "application/json");
    // Forgets every chosen answer and the request record (and the channel's queues and
    // record, and the video server's links and faults).
    void reset();
    // Every request received since the start or the last reset, oldest first, the control
    // calls left out. Each entry: "method", "path" (as sent, no query), "query" (raw, without
    // "?"), "headers" (object, names as sent; see `header`), "body" (UTF-8 text, invalid
    // bytes replaced), "bodyBase64", "json" (the body parsed, or null), "status" (the answer's
    // status, null while it is pending).
    nlohmann::json requests() const;

    // The event channel of a transaction token: "<baseURL>/api/v1/identifications/<token>/websocket"
    // (a WebSocket, or long polling with the long-polling query), each message framed
    // "<length>|<json>". A message pushed while no WebSocket or poll of the token is waiting
    // is queued: the next poll gets it at once, a new WebSocket right after its handshake.
    // Channel calls are not in `requests()`; chosen answers (`setAnswer`) apply to them.
    std::string channelURL(const std::string& token) const;
    struct ChannelPush {
        std::string frame; // the text sent, exactly
        int delivered = 0; // WebSockets and waiting polls that got it; 0: queued
    };
    // Pushes `command` (a JSON object) framed as the service frames it.
    ChannelPush pushCommand(const std::string& token, const nlohmann::json& command);
    // Pushes `text` as it stands, without framing (for malformed or unframed messages).
    ChannelPush pushRawMessage(const std::string& token, const std::string& text);
    // Closes the token's WebSockets with a close frame and returns once the closing handshake
    // is over; `code` must be one a close frame may carry (not 1005, 1006, 1015). Returns how
    // many were closed. Polls have no close frame: drop them.
    int closeChannel(const std::string& token, int code = 1000, const std::string& reason = "");
    // Resets the TCP connection of the token's WebSockets and waiting polls (no close frame,
    // the poll fails). Returns how many.
    int dropChannel(const std::string& token);
    // Sends an unsolicited pong with `payload` to the token's WebSockets; returns how many.
    int sendPong(const std::string& token, const std::vector<unsigned char>& payload = { 3, 1, 3, 1 });
    // Drops every channel connection and refuses handshakes and polls with 503 for
    // `downSeconds` (a new restart replaces the down time: 0 accepts again at once).
    int restartChannel(double downSeconds = 1.0);
    // How long a poll is held before it is answered with the command "ping" (default 30 s,
    // restored by `reset`).
    void setChannelHoldSeconds(double seconds);
    // On: a poll takes every queued message of its token in one answer, the framed messages
    // one after the other (off by default and after `reset`: one message an answer).
    void setChannelBatchPolls(bool on);
    // Open WebSockets plus waiting polls of the token.
    int channelClients(const std::string& token) const;
    // Every handshake and poll since the start or the last reset, oldest first: "id", "token",
    // "transport" ("websocket" or "long-polling"), "openedAt", "closedAt" (null while open),
    // "end" (null while open; "message", "hold time-out", "dropped", "restart",
    // "refused (restarting)", "closed (<code>)", "client left", ...), "messages". Times are
    // seconds on the sim's monotonic clock.
    nlohmann::json channelConnections() const;

    // The video server (sim/README.md, "Video server"): each offer with media starts a link
    // with a WebRTC peer that sends a test pattern and a tone. The record of the newest link
    // of conference `session` (of all conferences when empty), null when there is none.
    nlohmann::json videoConference(const std::string& session = "") const;
    // Closes the conference's open link (the newest open link when `session` is empty), so
    // the app sees its link go down. Returns how many (0 or 1).
    int dropVideoLink(const std::string& session = "");
    // From now on the conference's open link (the newest open link when `session` is empty)
    // loses `percent` (0 to 100) of the RTP packets the app sends it, so the server's receiver
    // reports tell of the loss; 0 ends it. Returns how many links (0 or 1).
    int setVideoLoss(double percent, const std::string& session = "");
    enum class VideoFault { Refuse, NotJSON, NotSDP, Delay };
    // The next `count` offers (of conference `session`, or of any when empty) are refused
    // with `status`, answered 200 with a body that is not JSON, or with JSON whose
    // "sdpMessage" is not SDP, or handled `delaySeconds` late. Faults are taken in the order
    // they were set; `reset` forgets them and closes every link.
    void setVideoFault(VideoFault fault, int count = 1, int status = 503, double delaySeconds = 0,
                       const std::string& session = "");

    // The agent (sim/README.md, "Agent"): the road of the token's next start ("identification",
    // "docusign", "nativeConsent", "failed", "waitingList", "noVideoServer"; nullopt: no agent
    // whatever the token's keywords) and how long each of its waits may take.
    void setAgentScript(const std::string& token, const std::optional<std::string>& script, double waitSeconds = 30);
    // The progress of the identification the token names (its "state", "failure", "waitingFor",
    // "steps", "arrived", "chat", "channelRestarts", ...); null before its first start.
    nlohmann::json agentProgress(const std::string& token) const;
    // Restarts the event channel (as restartChannel does) at the road's next safe point, once
    // the app proved it has every command sent so far. Returns whether it was scheduled (a
    // token without a running road restarts at once).
    bool restartChannelAtSafePoint(const std::string& token, double downSeconds = 1.0);

    // The service's error body: {"errors":[{"id": id, "cause": cause}]}.
    static std::string errorBody(const std::string& id, const std::string& cause);
    // A recorded request's header, looked up case-insensitively; nullopt when absent.
    static std::optional<std::string> header(const nlohmann::json& request, const std::string& name);

private:
    SimService() = default;
    std::string control(const std::string& method, const std::string& path,
                        const std::string& body) const;
    void stop();
    nlohmann::json channel(const std::string& action, const nlohmann::json& body) const;

    pid_t m_pid = -1;
    int m_lifeline = -1; // write end of the sim's stdin: when this process dies, the sim sees EOF
    int m_port = 0;
};
