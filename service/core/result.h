#pragma once
// "It worked, or here is why not": a value of T or an error of E, the service's one shape
// for a result that can fail. Shaped like C++23's std::expected (same names, same
// meaning) so that it can be swapped for it once every compiler that builds the service
// has it; clang 14 cannot compile libstdc++'s <expected>. Must be looked at: the class is
// [[nodiscard]], and the service builds with -Werror=unused-result.
//
//   Expected<int, std::string> Parse(std::string_view text);
//   if (const auto n = Parse(text)) { use(*n); } else { report(n.error()); }
//   return unexpected("no record"); // a failure; a plain value is a success
#include <type_traits>
#include <utility>
#include <variant>

// An error on its way into an Expected.
template <class E> class Unexpected {
  public:
    explicit Unexpected(E error) : error_(std::move(error)) {}
    [[nodiscard]] const E& error() const& { return error_; }
    [[nodiscard]] E&& error() && { return std::move(error_); }

  private:
    E error_;
};

// Unexpected<std::string> of unexpected(std::string), Unexpected<const char*> of a literal:
// either converts to the Expected's own error type.
template <class E> [[nodiscard]] Unexpected<std::decay_t<E>> unexpected(E&& error) {
    return Unexpected<std::decay_t<E>>(std::forward<E>(error));
}

template <class T, class E> class Expected;

template <class T> constexpr bool kIsResult = false;
template <class E> constexpr bool kIsResult<Unexpected<E>> = true;
template <class T, class E> constexpr bool kIsResult<Expected<T, E>> = true;

// A plain value: neither an error nor another Expected.
template <class U>
concept NotResult = !kIsResult<std::remove_cvref_t<U>>;
// What may become the value of an Expected<T, ...>.
template <class U, class T>
concept ValueOf = NotResult<U> && std::is_constructible_v<T, U>;

template <class T, class E> class [[nodiscard]] Expected {
  public:
    Expected() : state_(std::in_place_index<0>) {}
    template <ValueOf<T> U = T>
    Expected(U&& value) : state_(std::in_place_index<0>, std::forward<U>(value)) {}
    template <class G>
    Expected(const Unexpected<G>& error) : state_(std::in_place_index<1>, error.error()) {}
    template <class G>
    Expected(Unexpected<G>&& error) : state_(std::in_place_index<1>, std::move(error).error()) {}

    [[nodiscard]] bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    // The value; throws std::bad_variant_access on an error (std::expected throws
    // bad_expected_access). The operators, like std::expected's, expect a value.
    [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
    [[nodiscard]] T& value() & { return std::get<0>(state_); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return *std::get_if<0>(&state_); }
    T& operator*() & { return *std::get_if<0>(&state_); }
    T&& operator*() && { return std::move(*std::get_if<0>(&state_)); }
    const T* operator->() const { return std::get_if<0>(&state_); }
    T* operator->() { return std::get_if<0>(&state_); }
    template <class U> [[nodiscard]] T value_or(U&& fallback) const& {
        return has_value() ? **this : static_cast<T>(std::forward<U>(fallback));
    }

    // The error; expects one.
    [[nodiscard]] const E& error() const& { return *std::get_if<1>(&state_); }
    [[nodiscard]] E& error() & { return *std::get_if<1>(&state_); }
    [[nodiscard]] E&& error() && { return std::move(*std::get_if<1>(&state_)); }

    template <NotResult U> friend bool operator==(const Expected& x, const U& value) {
        return x.has_value() && *x == value;
    }
    template <class G> friend bool operator==(const Expected& x, const Unexpected<G>& e) {
        return !x.has_value() && x.error() == e.error();
    }

  private:
    std::variant<T, E> state_;
};

// Success without a value, or an error.
template <class E> class [[nodiscard]] Expected<void, E> {
  public:
    Expected() = default;
    template <class G>
    Expected(const Unexpected<G>& error) : state_(std::in_place_index<1>, error.error()) {}
    template <class G>
    Expected(Unexpected<G>&& error) : state_(std::in_place_index<1>, std::move(error).error()) {}

    [[nodiscard]] bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    // Throws std::bad_variant_access on an error.
    void value() const { static_cast<void>(std::get<0>(state_)); }
    void operator*() const {}

    [[nodiscard]] const E& error() const& { return *std::get_if<1>(&state_); }
    [[nodiscard]] E&& error() && { return std::move(*std::get_if<1>(&state_)); }

    template <class G> friend bool operator==(const Expected& x, const Unexpected<G>& e) {
        return !x.has_value() && x.error() == e.error();
    }

  private:
    std::variant<std::monostate, E> state_;
};
