// The reasons the user reads: an Error turned into a Chinese sentence that says what went wrong and,
// where the user can do something about it, what to do.
#pragma once

#include "core/result.h"

#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// What the program was doing when the error came; it words the sentence of an error that has none
// of its own.
enum class FileAction
{
    Read,
    Write,
    Use, // neither in particular: opening, locking, creating a folder
};

// The sentence for error: the common system errors (no permission, no space left, a file too large
// for the system, read-only file system, no such file or folder, name too long, too many links, a folder, not
// a file) each have their own; any other says in Chinese what failed and gives the system's words in
// full-width brackets. Always a whole sentence ending in "。".
[[nodiscard]] std::string errorSentence(const Error& error, FileAction action);

// The sentence of the common errors only: empty for a code that has none of its own.
[[nodiscard]] std::optional<std::string> commonErrorSentence(int code);

// The code of the common error whose system words (systemReason) a text ends with, 0 when none:
// for reasons that reach the program as text only.
[[nodiscard]] int commonErrorCodeOfText(std::string_view text);

} // namespace inkwell
