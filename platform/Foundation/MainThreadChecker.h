#pragma once
// KVN_ASSERT_MAIN_THREAD() at the top of an operation that belongs to the main thread (the one
// running the main run loop): called from any other thread, it prints the operation's name and
// aborts, so that a wrong thread shows in the build where the mistake is made rather than as a
// rare data race later. Checked in debug and sanitizer builds (KVN_CHECK_MAIN_THREAD, set by the
// build); nothing at all in release builds.
#ifdef KVN_CHECK_MAIN_THREAD
#define KVN_ASSERT_MAIN_THREAD() ::kvn::assertMainThread(__PRETTY_FUNCTION__)
#else
#define KVN_ASSERT_MAIN_THREAD() static_cast<void>(0)
#endif

namespace kvn {

// Aborts, naming `function`, unless the caller is on the main thread.
void assertMainThread(const char* function);

} // namespace kvn
