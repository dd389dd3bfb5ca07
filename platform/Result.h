#pragma once
// Result<T, E>: what a call that can fail gives back, the one way our code reports failure: a
// value, or why there is none. The reason is a Failure (the message for the user, whole: what
// could not be done, with the path and what to do) unless the callers must tell outcomes apart
// (a hand-off that did not fit is a bad request, one that did not arrive a fault); such an E
// carries the message too, as its `message`.
//
// Calls return a value or a reason without naming the Result:
//     Result<std::string> Read() { if (...) return Failure{"..."}; return text; }
// and callers test it, then read the one that is there:
//     if (const auto text = Read(); !text) Tell(text.error().message); else Use(*text);
// Only window code shows the message; the layers below hand it up.
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace plat {

struct Failure {
    std::string message;
};

template <typename T, typename E = Failure> class [[nodiscard]] Result {
    static_assert(!std::is_same_v<T, E>, "a value and its reason must be told apart");

  public:
    Result(T value) : m_held(std::in_place_index<0>, std::move(value)) {}
    Result(E reason) : m_held(std::in_place_index<1>, std::move(reason)) {}

    bool ok() const { return m_held.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only for a result that is ok().
    const T& operator*() const { return std::get<0>(m_held); }
    T& operator*() { return std::get<0>(m_held); }
    const T* operator->() const { return &std::get<0>(m_held); }
    T* operator->() { return &std::get<0>(m_held); }
    // The value, or `fallback` for a result that is not ok().
    T value_or(T fallback) const { return ok() ? **this : std::move(fallback); }
    // The reason; only for a result that is not ok().
    const E& error() const { return std::get<1>(m_held); }

  private:
    std::variant<T, E> m_held;
};

// A call that gives nothing back but may fail: Ok{} when it did what it was asked.
struct Ok {};
template <typename E> class [[nodiscard]] Result<void, E> {
  public:
    Result(Ok) {}
    Result(E reason) : m_reason(std::move(reason)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const E& error() const { return m_reason; }

  private:
    E m_reason{};
    bool m_failed = false;
};

} // namespace plat
