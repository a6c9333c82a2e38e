#include "document/documentlocation.h"

namespace inkwell {

std::string_view extensionOfKind(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Html:
        return ".html";
    case DocumentKind::StyleSheet:
        return ".css";
    }
    return "";
}

std::filesystem::path DocumentLocation::filePath() const
{
    return folder / (name + std::string(extensionOfKind(kind)));
}

} // namespace inkwell
