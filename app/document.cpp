#include "app/document.h"

namespace inkwell {

std::string_view ExtensionOfKind(int kind)
{
    switch (kind) {
    case static_cast<int>(DocumentKind::HtmlPage):
        return ".html";
    case static_cast<int>(DocumentKind::StyleSheet):
        return ".css";
    default:
        return "";
    }
}

std::filesystem::path DocumentState::filePath() const
{
    return folder / (name + std::string(ExtensionOfKind(kind)));
}

} // namespace inkwell
