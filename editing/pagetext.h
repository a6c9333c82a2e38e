// The page as a document file holds it, beside the root element's markup that the document's status
// compares against.
#pragma once

#include <QString>

namespace inkwell {

struct PageText
{
    QString file; // the lines before the root element, the root, the lines after it
    QString root; // the root element's markup alone
};

} // namespace inkwell
