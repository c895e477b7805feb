#pragma once

// A value, or the reason it could not be had: the one shape for operations that can fail with a
// reason a user should read. Public operations with numeric result codes keep them; this is for
// what lies behind them.
//
//     Expected<Settings> load(const std::string& path) {
//         if (...) return Failure{"cannot read \"" + path + "\""};
//         return settings;
//     }

#include <cassert>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace morvane::platform {

// Why something failed, in words for the user or the log, and where a caller answers with a number
// (an errno, a library's status code), that number.
struct Failure {
    std::string reason;
    std::int64_t code = 0; // 0: no number
};

template <typename T>
class [[nodiscard]] Expected {
    static_assert(!std::is_same_v<T, Failure>, "a failure cannot be the value");

public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}
    // Anything a T is made from, as in `return path;` for an Expected<std::string>.
    template <typename U>
    requires(std::is_constructible_v<T, U&&> && !std::is_same_v<std::remove_cvref_t<U>, T> &&
             !std::is_same_v<std::remove_cvref_t<U>, Failure> &&
             !std::is_same_v<std::remove_cvref_t<U>, Expected>) Expected(U&& value)
        : m_state(std::in_place_index<0>, T(std::forward<U>(value))) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & {
        assert(hasValue());
        return std::get<0>(m_state);
    }
    const T& value() const& {
        assert(hasValue());
        return std::get<0>(m_state);
    }
    T&& value() && {
        assert(hasValue());
        return std::get<0>(std::move(m_state));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // The value, or `fallback` after a failure.
    template <typename U>
    T valueOr(U&& fallback) const& {
        return hasValue() ? value() : static_cast<T>(std::forward<U>(fallback));
    }
    template <typename U>
    T valueOr(U&& fallback) && {
        return hasValue() ? std::move(value()) : static_cast<T>(std::forward<U>(fallback));
    }

    // The reason; empty when there is a value.
    const std::string& error() const {
        static const std::string kNone;
        return hasValue() ? kNone : std::get<1>(m_state).reason;
    }
    // The failure's number; 0 when there is a value or the failure has none.
    std::int64_t errorCode() const { return hasValue() ? 0 : std::get<1>(m_state).code; }
    // The failure as it came, to pass it on; an empty one when there is a value.
    Failure failure() const { return hasValue() ? Failure{} : std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// Success without a value, or the reason for the failure.
template <>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Failure failure) : m_reason(std::move(failure.reason)), m_code(failure.code), m_failed(true) {}

    bool hasValue() const { return !m_failed; }
    explicit operator bool() const { return hasValue(); }
    const std::string& error() const { return m_reason; }
    std::int64_t errorCode() const { return m_code; }
    Failure failure() const { return Failure{m_reason, m_code}; }

private:
    std::string m_reason;
    std::int64_t m_code = 0;
    bool m_failed = false;
};

} // namespace morvane::platform
