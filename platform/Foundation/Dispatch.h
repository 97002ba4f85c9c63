#pragma once
// Queues of work. The main queue runs on the main run loop (its blocks run when the loop
// turns); global queues run on a shared pool of worker threads; a queue made with
// dispatch_queue_create is serial (one block at a time, in order) on those workers.
// Every delay goes through the main run loop's clock, whatever the target queue, so a
// manual clock in tests controls all of them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using dispatch_block_t = std::function<void()>;
// Nanoseconds on the main run loop's clock; DISPATCH_TIME_NOW means "when used".
using dispatch_time_t = uint64_t;

inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
inline constexpr uint64_t NSEC_PER_SEC = 1000000000ull;
inline constexpr uint64_t NSEC_PER_MSEC = 1000000ull;
inline constexpr uint64_t NSEC_PER_USEC = 1000ull;
inline constexpr uint64_t USEC_PER_SEC = 1000000ull;

inline constexpr long DISPATCH_QUEUE_PRIORITY_HIGH = 2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_DEFAULT = 0;
inline constexpr long DISPATCH_QUEUE_PRIORITY_LOW = -2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_BACKGROUND = -32768;
inline constexpr long QOS_CLASS_USER_INTERACTIVE = 0x21;
inline constexpr long QOS_CLASS_USER_INITIATED = 0x19;
inline constexpr long QOS_CLASS_DEFAULT = 0x15;
inline constexpr long QOS_CLASS_UTILITY = 0x11;
inline constexpr long QOS_CLASS_BACKGROUND = 0x09;

class DispatchQueue {
public:
    enum class Kind { Main, Global, Serial, Concurrent };
    virtual ~DispatchQueue() = default;
    virtual void async(dispatch_block_t block) = 0;
    // True when the calling thread is running this queue's work now.
    virtual bool isCurrent() const = 0;
    Kind kind() const { return m_kind; }
    const std::string& label() const { return m_label; }

protected:
    DispatchQueue(Kind kind, std::string label) : m_kind(kind), m_label(std::move(label)) {}

private:
    Kind m_kind;
    std::string m_label;
};

using dispatch_queue_t = std::shared_ptr<DispatchQueue>;

enum class dispatch_queue_attr_t { serial, concurrent };
inline constexpr dispatch_queue_attr_t DISPATCH_QUEUE_SERIAL = dispatch_queue_attr_t::serial;
inline constexpr dispatch_queue_attr_t DISPATCH_QUEUE_CONCURRENT = dispatch_queue_attr_t::concurrent;

dispatch_queue_t dispatch_get_main_queue();
dispatch_queue_t dispatch_get_global_queue(long priority, unsigned long flags);
dispatch_queue_t dispatch_queue_create(const char* label);
dispatch_queue_t dispatch_queue_create(const char* label, dispatch_queue_attr_t attr);
const char* dispatch_queue_get_label(const dispatch_queue_t& queue);

void dispatch_async(const dispatch_queue_t& queue, dispatch_block_t block);
// Runs the block on the queue and waits for it. On the queue's own thread (the main queue
// from the main thread, a serial queue from inside itself) it runs the block at once
// instead of deadlocking.
void dispatch_sync(const dispatch_queue_t& queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, const dispatch_queue_t& queue, dispatch_block_t block);
dispatch_time_t dispatch_time(dispatch_time_t base, int64_t deltaNs);
