#pragma once
// The frame a navigation targets: the page's main frame or one of its subframes.
// Main thread only.
class WKFrameInfo {
public:
    explicit WKFrameInfo(bool mainFrame) : m_mainFrame(mainFrame) {}
    bool isMainFrame() const { return m_mainFrame; }

private:
    bool m_mainFrame;
};
