#pragma once
// The endpoint builder of the identification service. It turns the settings' environment
// into the service's base URLs (API, web, event channel, video server, STUN) and builds the
// URLs of the REST API from them. The shared session owns one. Every builder reads the
// settings' current transaction token, so a token replaced during the initialisation
// changes every later URL.
//
// Values that come from outside (the transaction token, also from a push payload, the short
// name, the identifier) are percent-encoded as path segments (a query value for the texts'
// short name), so a "/", "?", "#", ".." or blank in them cannot send a call elsewhere. A nil
// value prints as "(null)", as the formatter prints it. An environment without hosts gives
// nil for every URL. Main thread.
#include <memory>
#include <optional>
#include <string>

class KavoniSettings;

class KVNServer {
public:
    // The settings, and the environment they name (their own when not 0, else the one of
    // the transaction token's prefix).
    const std::shared_ptr<KavoniSettings>& settings() const { return m_settings; }
    void setSettings(std::shared_ptr<KavoniSettings> settings);
    // The customer's short name, from the customer configuration.
    const std::optional<std::string>& shortName() const { return m_shortName; }
    void setShortName(std::optional<std::string> shortName) { m_shortName = std::move(shortName); }
    // The environment in use; 0 until setSettings.
    long environment() const { return m_environment; }
    void setEnvironment(long environment) { m_environment = environment; }

    // The API base URL (no trailing slash).
    std::optional<std::string> API_URL() const;
    // The web base URL: the service's texts and the signing completion come from there.
    std::optional<std::string> HOST_URL() const;
    // API base + "/api/v1/<identifier>": the customer configuration.
    std::optional<std::string> APIURLWithIdentifier(const std::optional<std::string>& identifier) const;
    // API base + "/api/v1/<short name>/identifications/<token>", then "/<component>" when
    // given. The component is the library's own relative path ("start",
    // "uploadScreenshot/signature") and goes in as it is: a caller that puts an outside
    // value into it encodes that value with percentEncodedPathSegment.
    std::optional<std::string> APIURLWithLastPathComponent(const std::optional<std::string>& lastPathComponent) const;
    // Web base + "/assets/messages.json?shortName=<short name>": the service's texts.
    std::optional<std::string> messagesURL() const;
    // Event channel base + "/api/v1/identifications/<token>/websocket".
    std::optional<std::string> webSocketURL() const;
    // The video server's base URL.
    std::optional<std::string> videoServerAddress() const;
    // The STUN server of the video call.
    std::optional<std::string> stunHost() const;
    long stunPort() const;

    // The text with every byte outside the unreserved characters (letters, digits, "-", ".",
    // "_", "~") written as %XX of its UTF-8 byte; a segment of dots only has its dots
    // encoded too, so it cannot climb the path. Fit for a path segment and a query value.
    static std::string percentEncodedPathSegment(const std::string& text);

private:
    std::optional<std::string> eventChannelBase() const;
    std::string tokenSegment() const;
    std::string shortNameSegment() const;

    std::shared_ptr<KavoniSettings> m_settings;
    std::optional<std::string> m_shortName;
    long m_environment = 0;
};
