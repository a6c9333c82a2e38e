// Errors as values: a fallible operation returns its value or an Error that says what went wrong.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace inkwell {

struct Error
{
    int code = 0; // the errno behind it, one of the codes below, or 0 where no system call failed
    std::string message; // a sentence for a person, with the system's reason

    bool operator==(const Error&) const = default;
};

// Codes of the program's own, for failures no errno names; they are negative so as never to meet one.
// A path that names something other than a regular file or a folder: a named pipe, a socket, a
// device (a folder keeps EISDIR).
inline constexpr int kNotARegularFile = -2;
// A lock file that belongs to another user.
inline constexpr int kLockOwnedByAnotherUser = -3;
// Something larger than the limit of whoever was to read it, left unread.
inline constexpr int kLargerThanLimit = -4;
// A symbolic link found where one of the program's private files goes, which it does not write through.
inline constexpr int kPrivateFileIsALink = -6;

template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    [[nodiscard]] T& value() & { return std::get<0>(m_state); }
    [[nodiscard]] const T& value() const& { return std::get<0>(m_state); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    [[nodiscard]] T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }
    [[nodiscard]] T valueOr(T fallback) && { return ok() ? std::move(*this).value() : std::move(fallback); }

    // Only when !ok().
    [[nodiscard]] const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// The outcome of an operation that yields nothing but success.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
        , m_failed(true)
    {
    }

    [[nodiscard]] bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    // Empty when ok().
    [[nodiscard]] const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

} // namespace inkwell

// Passing an error on. INKWELL_TRY(declaration, expression) evaluates a Result<T>; when it failed, the
// enclosing function (which returns some Result) returns its error, otherwise the value is moved into
// the declared variable, or assigned to an existing one: `INKWELL_TRY(std::string text, readFile(path));`.
// INKWELL_TRY_VOID(expression) does the same for a Result<void>, or where the value is not needed. Both are
// statements, written without compiler extensions: INKWELL_TRY declares its variable in the enclosing block,
// so it cannot be the body of an unbraced if or loop, and at most one may stand on a line.
#define INKWELL_TRY(declaration, expression)                                                                 \
    auto INKWELL_TRY_RESULT_NAME(__LINE__) = (expression);                                                   \
    if (!INKWELL_TRY_RESULT_NAME(__LINE__).ok())                                                             \
        return INKWELL_TRY_RESULT_NAME(__LINE__).error();                                                    \
    declaration = std::move(INKWELL_TRY_RESULT_NAME(__LINE__)).value()

#define INKWELL_TRY_VOID(expression)                                                                         \
    do {                                                                                                     \
        if (auto&& inkwellTried = (expression); !inkwellTried.ok())                                          \
            return inkwellTried.error();                                                                     \
    } while (false)

#define INKWELL_TRY_RESULT_NAME(line) INKWELL_TRY_RESULT_NAME_JOINED(line)
#define INKWELL_TRY_RESULT_NAME_JOINED(line) inkwellTried##line
