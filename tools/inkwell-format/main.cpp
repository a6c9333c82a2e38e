// Formats HTML files (or standard input) on the command line the way the editor's code view shows them.
#include "core/filedescriptor.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "formatter/htmlformatter.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kUsage = R"(Usage: inkwell-format [OPTION]... [FILE]...
Formats HTML: one tag per line, the content of each element indented one level deeper,
white space in text collapsed and long text broken into lines. Reads each FILE (or standard
input when there is none, or for "-") and writes the formatted text to standard output,
without a final line break; the results of several files are separated by a line break.

  --indent tab   indent by one tab per level (the default)
  --indent N     indent by N spaces per level (N from 1 to 64)
  --width N      break text at N characters (N from 1 to 100000; default 80)
  --help         show this help and exit
  --version      print the version and exit

Exit status: 0 on success, 1 for a bad option or a file that cannot be read.
)";

struct Options
{
    std::optional<int> spaces; // indentation by spaces; tabs when empty
    int width = 80;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
};

struct UsageError
{
    std::string message;
};

std::optional<int> parseNumber(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// Accepts "--name value" and "--name=value".
std::optional<UsageError> parseArguments(int argc, char** argv, Options& options)
{
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (onlyFiles || arg == "-" || arg.substr(0, 1) != "-") {
            options.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--version") {
            options.version = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name != "--indent" && name != "--width")
            return UsageError { "unknown option '" + std::string(arg) + "'" };
        if (!value) {
            if (i + 1 >= argc)
                return UsageError { "option '" + std::string(name) + "' needs a value" };
            value = argv[++i];
        }
        if (name == "--indent") {
            if (*value == "tab") {
                options.spaces.reset();
            } else if (const auto spaces = parseNumber(*value, 1, 64)) {
                options.spaces = *spaces;
            } else {
                return UsageError { "--indent takes 'tab' or a number of spaces from 1 to 64, not '"
                    + std::string(*value) + "'" };
            }
        } else {
            const auto width = parseNumber(*value, 1, 100000);
            if (!width)
                return UsageError { "--width takes a number from 1 to 100000, not '" + std::string(*value)
                    + "'" };
            options.width = *width;
        }
    }
    return std::nullopt;
}

// The text of one input: a regular file is mapped rather than copied (large pages then cost no copy and
// no fresh memory), anything else is read into memory.
class InputText
{
public:
    InputText() = default;
    InputText(const InputText&) = delete;
    InputText& operator=(const InputText&) = delete;
    InputText(InputText&& other) noexcept
        : m_text(std::move(other.m_text))
        , m_mapped(std::exchange(other.m_mapped, nullptr))
        , m_mappedSize(std::exchange(other.m_mappedSize, 0))
    {
    }
    ~InputText()
    {
        if (m_mapped)
            ::munmap(m_mapped, m_mappedSize);
    }

    // The error carries the system's reason as its code.
    [[nodiscard]] static inkwell::Result<InputText> read(const std::string& file)
    {
        InputText input;
        if (file == "-") {
            INKWELL_TRY(input.m_text, inkwell::readAll(STDIN_FILENO, file));
            return input;
        }
        const inkwell::FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.isValid())
            return inkwell::Error { errno, "cannot open " + file };
        struct stat status
        {
        };
        if (::fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
            void* mapped = ::mmap(
                nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd.get(), 0);
            if (mapped != MAP_FAILED) {
                input.m_mapped = mapped;
                input.m_mappedSize = static_cast<std::size_t>(status.st_size);
                return input;
            }
        }
        INKWELL_TRY(input.m_text, inkwell::readAll(fd.get(), file));
        return input;
    }

    std::string_view view() const
    {
        return m_mapped ? std::string_view(static_cast<const char*>(m_mapped), m_mappedSize) : m_text;
    }

private:
    std::string m_text;
    void* m_mapped = nullptr;
    std::size_t m_mappedSize = 0;
};

inkwell::HtmlStyle styleOf(const Options& options)
{
    if (!options.spaces && options.width == 80)
        return inkwell::styleForIndentKind(inkwell::IndentKind::Tab);
    inkwell::HtmlStyle style;
    style.indentSize = options.spaces.value_or(1);
    style.indentCharacter = options.spaces ? " " : "\t";
    style.maxChar = options.width;
    return style;
}

// Standard output written with write(2) directly: the formatter hands on pieces of a few hundred
// kilobytes, and a stream's own buffer would only copy them once more.
class OutputWriter
{
public:
    void write(std::string_view bytes)
    {
        while (!bytes.empty() && m_ok) {
            const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                m_ok = false;
                break;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    bool ok() const { return m_ok; }

private:
    bool m_ok = true;
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const auto error = parseArguments(argc, argv, options)) {
        std::cerr << "inkwell-format: " << error->message << "\nTry 'inkwell-format --help'.\n";
        return 1;
    }
    if (options.help) {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : 1;
    }
    if (options.version) {
        std::cout << "inkwell-format " INKWELL_VERSION "\n";
        return std::cout.flush() ? 0 : 1;
    }
    if (options.files.empty())
        options.files.emplace_back("-");

    // Everything is read before anything is written, so a file that cannot be read leaves no partial output.
    std::vector<InputText> texts;
    bool failed = false;
    for (const std::string& file : options.files) {
        inkwell::Result<InputText> text = InputText::read(file);
        if (!text) {
            const std::string name = file == "-" ? std::string("standard input") : "'" + file + "'";
            std::cerr << "inkwell-format: cannot read " << name << ": " << inkwell::systemReason(text.error().code)
                      << "\n";
            failed = true;
        } else {
            texts.push_back(std::move(*text));
        }
    }
    if (failed)
        return 1;

    OutputWriter out;
    const inkwell::HtmlStyle style = styleOf(options);
    const inkwell::HtmlPieceSink sink = [&out](std::string_view piece) { out.write(piece); };
    for (std::size_t i = 0; i < texts.size() && out.ok(); ++i) {
        if (i > 0)
            out.write("\n");
        try {
            inkwell::formatHtmlInto(texts[i].view(), style, sink);
        } catch (const std::exception& error) {
            // Only when memory runs out after part of the text was written; that part stands.
            std::cerr << "inkwell-format: cannot format '" << options.files[i] << "': " << error.what()
                      << "\n";
            return 1;
        }
    }
    if (!out.ok()) {
        std::cerr << "inkwell-format: cannot write standard output\n";
        return 1;
    }
    return 0;
}
