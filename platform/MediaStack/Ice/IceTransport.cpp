#include "MediaStack/Ice/IceTransport.h"

#include <netdb.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

#include <nice/agent.h>

#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/MediaThread.h"

namespace media {

namespace {

constexpr guint kComponent = 1; // RTP and RTCP share it (rtcp-mux)

template<auto FreeFunction>
struct GlibDeleter {
    template<typename T>
    void operator()(T* handle) const { FreeFunction(handle); }
};

struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};

using ContextPtr = std::unique_ptr<GMainContext, GlibDeleter<g_main_context_unref>>;
using LoopPtr = std::unique_ptr<GMainLoop, GlibDeleter<g_main_loop_unref>>;
using AgentPtr = std::unique_ptr<NiceAgent, GObjectDeleter>;
using CandidatePtr = std::unique_ptr<NiceCandidate, GlibDeleter<nice_candidate_free>>;
using GCharPtr = std::unique_ptr<gchar, GlibDeleter<g_free>>;

// libnice takes the STUN server as an address; a host name is looked up once, here.
std::string numericAddress(const std::string& host)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return {};
    std::unique_ptr<addrinfo, GlibDeleter<freeaddrinfo>> owner(found);
    char text[NI_MAXHOST] = {};
    if (getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return {};
    return text;
}

// Runs `work` on the context's thread and waits for it.
void runOnContext(GMainContext* context, std::function<void()> work)
{
    std::promise<void> done;
    auto finished = done.get_future();
    struct Call {
        std::function<void()> work;
        std::promise<void>* done;
    } call { std::move(work), &done };
    g_main_context_invoke(
        context,
        [](gpointer data) -> gboolean {
            auto* call = static_cast<Call*>(data);
            call->work();
            call->done->set_value();
            return G_SOURCE_REMOVE;
        },
        &call);
    finished.wait();
}

} // namespace

// The GLib side: the agent, its context and the thread that runs it. Its callbacks run on that
// thread and only post to the media thread, through a weak reference to the transport.
struct IceTransport::Agent {
    ContextPtr context { g_main_context_new() };
    LoopPtr loop { g_main_loop_new(context.get(), FALSE) };
    AgentPtr agent;
    guint stream = 0;
    std::thread thread;
    std::shared_ptr<MediaThread> media;
    std::weak_ptr<IceTransport> owner;
    // Bytes received and not yet taken by the media thread. Past the cap (a peer's flood, a
    // media thread that fell behind) what arrives is dropped here, on libnice's thread, so the
    // hand-over queue never grows without bound.
    std::shared_ptr<std::atomic<size_t>> pendingBytes = std::make_shared<std::atomic<size_t>>(0);
    std::atomic<uint64_t> droppedDatagrams { 0 };
    size_t maxPendingBytes = 0;

    void post(std::function<void(IceTransport&)> work)
    {
        media->post([owner = owner, work = std::move(work)] {
            if (auto self = owner.lock())
                work(*self);
        });
    }

    static void onCandidate(NiceAgent* agent, NiceCandidate* candidate, gpointer data)
    {
        auto* self = static_cast<Agent*>(data);
        GCharPtr sdp(nice_agent_generate_local_candidate_sdp(agent, candidate));
        if (!sdp)
            return;
        self->post([line = std::string(sdp.get())](IceTransport& transport) { transport.handleLocalCandidate(line); });
    }

    static void onGatheringDone(NiceAgent*, guint, gpointer data)
    {
        static_cast<Agent*>(data)->post([](IceTransport& transport) { transport.handleGatheringDone(); });
    }

    static void onState(NiceAgent*, guint, guint component, guint state, gpointer data)
    {
        if (component != kComponent)
            return;
        static_cast<Agent*>(data)->post([state](IceTransport& transport) { transport.handleComponentState(state); });
    }

    static void onReceive(NiceAgent*, guint, guint, guint length, gchar* bytes, gpointer data)
    {
        auto* self = static_cast<Agent*>(data);
        if (self->pendingBytes->fetch_add(length) + length > self->maxPendingBytes) {
            self->pendingBytes->fetch_sub(length);
            self->droppedDatagrams++;
            return;
        }
        std::vector<uint8_t> datagram(reinterpret_cast<uint8_t*>(bytes), reinterpret_cast<uint8_t*>(bytes) + length);
        self->media->post([owner = self->owner, pending = self->pendingBytes, datagram = std::move(datagram)] {
            pending->fetch_sub(datagram.size());
            if (auto transport = owner.lock())
                transport->deliver(datagram);
        });
    }

    ~Agent()
    {
        if (!thread.joinable())
            return;
        // The agent goes on its own thread, where its sources and signals live; after this no
        // callback can run.
        runOnContext(context.get(), [this] {
            if (agent) {
                g_signal_handlers_disconnect_by_data(agent.get(), this);
                nice_agent_attach_recv(agent.get(), stream, kComponent, context.get(), nullptr, nullptr);
                agent.reset();
            }
            g_main_loop_quit(loop.get());
        });
        thread.join();
    }
};

std::shared_ptr<IceTransport> IceTransport::create(std::shared_ptr<MediaThread> thread, IceConfig config)
{
    auto transport = std::shared_ptr<IceTransport>(new IceTransport(std::move(thread), std::move(config)));
    transport->m_agent->owner = transport;
    transport->start();
    return transport;
}

IceTransport::IceTransport(std::shared_ptr<MediaThread> thread, IceConfig config)
    : m_thread(std::move(thread)), m_config(std::move(config)), m_agent(std::make_unique<Agent>())
{
    m_agent->media = m_thread;
    m_agent->maxPendingBytes = m_config.maxPendingBytes;
}

IceTransport::~IceTransport()
{
    if (m_earlyTimer)
        m_thread->cancel(*m_earlyTimer);
    m_agent.reset();
}

void IceTransport::start()
{
    Agent& a = *m_agent;
    a.agent.reset(nice_agent_new_full(a.context.get(), NICE_COMPATIBILITY_RFC5245, NICE_AGENT_OPTION_ICE_TRICKLE));
    g_object_set(a.agent.get(), "controlling-mode", m_config.role == IceRole::Controlling, "ice-tcp", FALSE, nullptr);
    g_object_set(a.agent.get(), "stun-pacing-timer", guint(std::clamp(m_config.checkPacing, 0.001, 1.0) * 1000 + 0.5), nullptr);
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(a.agent.get()), "upnp"))
        g_object_set(a.agent.get(), "upnp", FALSE, nullptr);
    if (!m_config.stunHost.empty()) {
        auto address = numericAddress(m_config.stunHost);
        if (address.empty())
            MediaStackLog::warn("ICE: cannot resolve STUN server " + m_config.stunHost);
        else
            g_object_set(a.agent.get(), "stun-server", address.c_str(), "stun-server-port", guint(m_config.stunPort), nullptr);
    }
    for (const auto& text : m_config.localAddresses) {
        NiceAddress address;
        nice_address_init(&address);
        if (nice_address_set_from_string(&address, text.c_str()))
            nice_agent_add_local_address(a.agent.get(), &address);
        else
            MediaStackLog::warn("ICE: not an address: " + text);
    }
    a.stream = nice_agent_add_stream(a.agent.get(), 1);
    g_signal_connect(a.agent.get(), "new-candidate-full", G_CALLBACK(Agent::onCandidate), &a);
    g_signal_connect(a.agent.get(), "candidate-gathering-done", G_CALLBACK(Agent::onGatheringDone), &a);
    g_signal_connect(a.agent.get(), "component-state-changed", G_CALLBACK(Agent::onState), &a);
    nice_agent_attach_recv(a.agent.get(), a.stream, kComponent, a.context.get(), Agent::onReceive, &a);

    std::promise<void> running;
    auto turning = running.get_future();
    a.thread = std::thread([&a, &running] {
        g_main_context_push_thread_default(a.context.get());
        // Quitting is only safe once the loop runs: tell the creator from inside it.
        GSource* started = g_idle_source_new();
        g_source_set_priority(started, G_PRIORITY_HIGH);
        g_source_set_callback(started, [](gpointer p) -> gboolean {
            static_cast<std::promise<void>*>(p)->set_value();
            return G_SOURCE_REMOVE;
        }, &running, nullptr);
        g_source_attach(started, a.context.get());
        g_source_unref(started);
        g_main_loop_run(a.loop.get());
        g_main_context_pop_thread_default(a.context.get());
    });
    turning.wait();
}

IceCredentials IceTransport::localCredentials() const
{
    gchar* ufrag = nullptr;
    gchar* password = nullptr;
    nice_agent_get_local_credentials(m_agent->agent.get(), m_agent->stream, &ufrag, &password);
    GCharPtr ufragOwner(ufrag);
    GCharPtr passwordOwner(password);
    return { ufrag ? ufrag : "", password ? password : "" };
}

void IceTransport::setRemoteCredentials(const IceCredentials& credentials)
{
    nice_agent_set_remote_credentials(m_agent->agent.get(), m_agent->stream, credentials.ufrag.c_str(),
                                      credentials.password.c_str());
}

void IceTransport::gatherCandidates()
{
    changeState(TransportState::Connecting);
    if (!m_config.trickle) {
        m_earlyTimer = m_thread->scheduleAfter(m_config.earlyCandidatesTimeout, [weak = weak_from_this()] {
            if (auto self = weak.lock()) {
                self->m_earlyTimer.reset();
                self->releaseEarlyCandidates();
            }
        });
    }
    if (!nice_agent_gather_candidates(m_agent->agent.get(), m_agent->stream)) {
        MediaStackLog::error("ICE: gathering failed to start");
        changeState(TransportState::Failed);
    }
}

bool IceTransport::addRemoteCandidate(const std::string& text)
{
    std::string line = text.starts_with("a=") ? text.substr(2) : text;
    if (!m_config.policy.acceptsRemote(line)) {
        ++m_refusedRemoteCandidates;
        MediaStackLog::info("ICE: remote candidate refused: " + line);
        return false;
    }
    std::string sdp = "a=" + line;
    CandidatePtr candidate(nice_agent_parse_remote_candidate_sdp(m_agent->agent.get(), m_agent->stream, sdp.c_str()));
    if (!candidate || candidate->component_id != kComponent) {
        ++m_refusedRemoteCandidates;
        MediaStackLog::info("ICE: remote candidate not usable: " + line);
        return false;
    }
    GSList list { candidate.get(), nullptr };
    return nice_agent_set_remote_candidates(m_agent->agent.get(), m_agent->stream, kComponent, &list) > 0;
}

void IceTransport::remoteGatheringDone()
{
    nice_agent_peer_candidate_gathering_done(m_agent->agent.get(), m_agent->stream);
}

bool IceTransport::send(std::span<const uint8_t> datagram)
{
    // No state check: the peer may start DTLS before our side has seen its checks succeed,
    // and libnice refuses by itself while no pair is selected.
    if (datagram.empty())
        return false;
    return nice_agent_send(m_agent->agent.get(), m_agent->stream, kComponent, static_cast<guint>(datagram.size()),
                           reinterpret_cast<const gchar*>(datagram.data()))
        == static_cast<gint>(datagram.size());
}

void IceTransport::handleLocalCandidate(const std::string& sdpLine)
{
    auto line = m_config.policy.localLine(sdpLine);
    if (!line)
        return;
    if (m_config.trickle) {
        if (m_localCandidate)
            m_localCandidate(*line);
    } else if (!m_candidatesReleased) {
        m_earlyCandidates.push_back(std::move(*line));
    }
}

void IceTransport::handleGatheringDone()
{
    if (m_config.trickle) {
        if (m_gatheringDone)
            m_gatheringDone();
        return;
    }
    releaseEarlyCandidates();
}

void IceTransport::releaseEarlyCandidates()
{
    if (m_candidatesReleased)
        return;
    m_candidatesReleased = true;
    if (m_earlyTimer) {
        m_thread->cancel(*m_earlyTimer);
        m_earlyTimer.reset();
    }
    auto lines = std::move(m_earlyCandidates);
    for (const auto& line : lines)
        if (m_localCandidate)
            m_localCandidate(line);
    if (m_gatheringDone)
        m_gatheringDone();
}

void IceTransport::handleComponentState(unsigned niceState)
{
    switch (niceState) {
    case NICE_COMPONENT_STATE_GATHERING:
    case NICE_COMPONENT_STATE_CONNECTING:
        changeState(TransportState::Connecting);
        break;
    case NICE_COMPONENT_STATE_CONNECTED:
    case NICE_COMPONENT_STATE_READY:
        changeState(TransportState::Connected);
        break;
    case NICE_COMPONENT_STATE_FAILED:
        MediaStackLog::warn("ICE: no candidate pair works");
        changeState(TransportState::Failed);
        break;
    default:
        break;
    }
}

uint64_t IceTransport::droppedDatagrams() const { return m_agent ? m_agent->droppedDatagrams.load() : 0; }

} // namespace media
