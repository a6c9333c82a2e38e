#include "document/documentfilestatus.h"

#include <utility>

namespace inkwell {

void DocumentFileStatus::markLoaded(std::string markup, TextEncoding encoding)
{
    m_cleanMarkup = std::move(markup);
    m_encoding = encoding;
    m_edited = false;
}

void DocumentFileStatus::markSaved(std::string markup)
{
    m_cleanMarkup = std::move(markup);
    m_edited = false;
}

bool DocumentFileStatus::hasUnsavedChanges(std::string_view currentMarkup) const
{
    return m_edited && currentMarkup != m_cleanMarkup;
}

} // namespace inkwell
