#include "publishing/contenttype.h"

#include "publishing/httprequest.h"

#include <array>

namespace inkwell {

std::string_view pathExtension(std::string_view path)
{
    const auto fields = splitFields(path, '.');
    return fields.empty() ? std::string_view {} : fields.back();
}

std::optional<std::string_view> contentTypeLine(std::string_view extension)
{
    struct Row
    {
        std::string_view extension;
        std::string_view line;
    };
    static constexpr std::array rows {
        Row { "html", "Content-Type:text/html" },
        Row { "htm", "Content-Type:text/htm" },
        Row { "txt", "Content-Type:text/txt" },
        Row { "css", "Content-Type:text/css" },
        Row { "js", "Content-Type:text/js" },
        Row { "jpg", "Content-Type: image/jpg" },
        Row { "bmp", "Content-Type: image/bmp" },
        Row { "gif", "Content-Type: image/gif" },
        Row { "png", "Content-Type: image/png" },
        Row { "ico", "Content-Type: image/ico" },
    };
    for (const Row& row : rows) {
        if (row.extension == extension)
            return row.line;
    }
    return std::nullopt;
}

} // namespace inkwell
