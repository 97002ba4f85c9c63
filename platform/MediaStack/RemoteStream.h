#pragma once
// The receiving side of one stream of a link, as the codec of that stream sees it: which of
// the stack's own repairs run on received media before it is played. A codec that conceals
// lost audio itself switches the stack's concealment off here.
// Any thread: the codec writes on a media-stack thread, the playout reads on another.
#include <atomic>

class RemoteStream {
public:
    bool disablePLC() const { return m_disablePLC.load(); }
    void setDisablePLC(bool v) { m_disablePLC.store(v); }

private:
    std::atomic<bool> m_disablePLC { false };
};
