#pragma once
// One chat message of a video identification, from the user or from the agent. The chat store
// (KVNMessageProvider) makes the user's messages and keeps both sides in date order; the
// session driver makes the agent's from the "data" of a "chatMessage" command; the chat
// screen shows them, in the agent's grey or the theme's brand colour. Main thread.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"

class UIColor;

class KVNMessage {
public:
    using Date = std::chrono::system_clock::time_point;

    // An empty message: no text, sender or date, not remote, not sent.
    KVNMessage() = default;
    // Same as the default constructor; here for symmetry with initWithDictionary.
    void init() {}
    // Reads an agent message object: "content" (the text), "originator" (the sender) and
    // "timestamp" ("yyyy-MM-dd'T'HH:mm:ssZZ"). A member that is not a text counts as missing;
    // a missing or unreadable time leaves the date nil. Neither marks the message remote.
    void initWithDictionary(const JSONValue& dictionary);

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    const std::optional<std::string>& originator() const { return m_originator; }
    void setOriginator(std::optional<std::string> originator) { m_originator = std::move(originator); }
    const std::optional<Date>& date() const { return m_date; }
    void setDate(std::optional<Date> date) { m_date = date; }
    // A message from the agent.
    bool remote() const { return m_remote; }
    void setRemote(bool remote) { m_remote = remote; }
    // Sending has finished (given up counts too); never set for the agent's messages.
    bool sent() const { return m_sent; }
    void setSent(bool sent) { m_sent = sent; }

    // The balloon colour: 0xAFAFAF for the agent, the theme's primaryBrandColor for the user.
    std::shared_ptr<UIColor> tintColor() const;

    // "text: <text>, date: <date>", the date as "yyyy-MM-dd HH:mm:ss +0000" or "(null)".
    std::string description() const;

    // The chat's time format read as the agent's messages carry it; nil when the text is not
    // a whole, valid time of that format. One parser for the process, made on first use.
    static std::optional<Date> dateFromTimestamp(const std::string& timestamp);

private:
    std::string m_text;
    std::optional<std::string> m_originator;
    std::optional<Date> m_date;
    bool m_remote = false;
    bool m_sent = false;
};
