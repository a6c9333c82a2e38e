// Finds the resources an HTML page refers to (pictures, style sheets and their inline forms,
// scripts, icons, frames, media) with the place of each URL in the page's bytes, so that the
// archive builder can fetch them and rewrite single references.
#pragma once

#include "archive/cssresourcescanner.h"

#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

struct HtmlScan
{
    std::vector<ResourceRef> refs; // in document order; offsets are bytes into the page
    std::string baseHref; // the first <base href>, empty when there is none
    std::string charset; // the label of the first meta charset or http-equiv Content-Type, or empty
};

// Reads the page as a browser would (bytes of an ASCII-compatible encoding) and lists its
// references, in time that grows with the page's size alone, however deep its elements nest.
// Never fails: any byte sequence yields a (possibly empty) scan.
[[nodiscard]] HtmlScan scanHtmlResources(std::string_view html);

} // namespace inkwell
