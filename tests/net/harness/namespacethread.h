#pragma once
// Running code inside a network namespace of the test network.
//
// A network namespace belongs to a thread, not to the process: a thread that
// has setns()-ed into one creates its sockets there, and those sockets stay
// there whatever thread later uses them. RunInNamespace runs a callable on a
// fresh thread that has entered the namespace, so the test's own thread is
// never moved.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

namespace sp::nettest {

// Moves the calling thread into the network namespace named `ns` (a file in
// /var/run/netns). Only call it on a thread you own. Returns false with the
// reason in *why on failure.
bool EnterNetworkNamespace(const std::string& ns, std::string* why);

// Runs `fn` on a new thread inside namespace `ns`, waits for it and returns
// its result. When the namespace cannot be entered the test fails and a
// value-initialised result is returned without running `fn`.
template <class F>
auto RunInNamespace(const std::string& ns, F&& fn) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  std::string why;
  bool entered = false;
  if constexpr (std::is_void_v<R>) {
    std::thread worker([&] {
      entered = EnterNetworkNamespace(ns, &why);
      if (entered) fn();
    });
    worker.join();
    if (!entered) ADD_FAILURE() << why;
  } else {
    R result{};
    std::thread worker([&] {
      entered = EnterNetworkNamespace(ns, &why);
      if (entered) result = fn();
    });
    worker.join();
    if (!entered) ADD_FAILURE() << why;
    return result;
  }
}

// Same, without waiting: the returned future yields the result (its
// destructor waits for the thread).
template <class F>
auto RunInNamespaceAsync(const std::string& ns, F fn) -> std::future<std::invoke_result_t<F&>> {
  using R = std::invoke_result_t<F&>;
  return std::async(std::launch::async, [ns, fn = std::move(fn)]() mutable -> R {
    std::string why;
    if (!EnterNetworkNamespace(ns, &why)) {
      ADD_FAILURE() << why;
      if constexpr (!std::is_void_v<R>)
        return R{};
      else
        return;
    }
    return fn();
  });
}

}  // namespace sp::nettest
