// A value or an error, in the style of tl::expected. The image reader and writer report every
// failure through this type; nothing in them throws.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <variant>

namespace quorix::image {

// What went wrong and where: `offset` is the byte offset (from the start of the buffer being
// read or written) of the field at fault.
struct Error {
    std::string message;
    uint32_t offset = 0;
};

// printf-style formatting for error messages.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Builds an Error whose message is formatted printf-style.
Error MakeError(uint32_t offset, const char* format, ...) __attribute__((format(printf, 2, 3)));

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // value() is only valid when ok(), error() only when !ok(); misuse aborts rather than
    // reading the wrong alternative.
    T& value() & { return *Checked(std::get_if<0>(&state_)); }
    const T& value() const& { return *Checked(std::get_if<0>(&state_)); }
    T&& value() && { return std::move(*Checked(std::get_if<0>(&state_))); }
    const Error& error() const { return *Checked(std::get_if<1>(&state_)); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    template <typename P>
    static P* Checked(P* p) {
        if (p == nullptr) std::abort();
        return p;
    }

    std::variant<T, Error> state_;
};

// A success that carries no value, or an error.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const {
        if (ok_) std::abort();
        return error_;
    }

private:
    Error error_;
    bool ok_ = true;
};

}  // namespace quorix::image

// Inside a function that returns a Result: QUORIX_TRY returns the error of a failed `expr`;
// QUORIX_TRY_VALUE does the same, and otherwise binds the value of `expr` to a new `var`.
#define QUORIX_TRY(expr)            \
    do {                            \
        auto r_ = (expr);           \
        if (!r_) return r_.error(); \
    } while (0)
#define QUORIX_TRY_VALUE(var, expr)       \
    auto var##_r = (expr);                \
    if (!var##_r) return var##_r.error(); \
    auto var = std::move(var##_r).value()
