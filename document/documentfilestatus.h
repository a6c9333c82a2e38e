// What the editor knows of the page against its document file: the encoding the page was read in (a
// page without a declaration is saved in it), and whether the page was edited since it was last loaded or
// saved, so that closing can ask before changes are lost.
#pragma once

#include "document/textencoding.h"

#include <string>
#include <string_view>

namespace inkwell {

class DocumentFileStatus
{
public:
    // A page was put into the view: read from a file in encoding, or a new page (GB18030). markup is
    // what the view gives back for it now.
    void markLoaded(std::string markup, TextEncoding encoding = TextEncoding::Gb18030);

    // The page was written; markup is what was written.
    void markSaved(std::string markup);

    // The view reports that the user changed the page (typing, a command, the code view's copy back).
    void markEdited() { m_edited = true; }

    [[nodiscard]] TextEncoding encoding() const { return m_encoding; }
    [[nodiscard]] bool isEdited() const { return m_edited; }

    // True when an edit was reported since the last load or save and the markup differs from what was
    // loaded or saved then. Both must hold: a page whose edits were undone is unchanged, and a view that
    // rewrites markup on its own (attribute order, line breaks) has not been edited by anybody.
    [[nodiscard]] bool hasUnsavedChanges(std::string_view currentMarkup) const;

private:
    TextEncoding m_encoding = TextEncoding::Gb18030;
    std::string m_cleanMarkup;
    bool m_edited = false;
};

} // namespace inkwell
