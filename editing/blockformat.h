// The kind of block the caret's paragraph is (body text, a heading, a quotation, preformatted text),
// set from the "段落格式" menu or with Ctrl+0 to Ctrl+6; and the always-present menu entries
// "段落格式" and "页面属性…".
#pragma once

#include "editing/menutarget.h"

#include <QString>
#include <functional>
#include <optional>

namespace inkwell {

class DesignView;
class PageProperties;

enum class BlockFormat
{
    Body, // p
    Heading1,
    Heading2,
    Heading3,
    Heading4,
    Heading5,
    Heading6,
    Quote, // blockquote
    Preformatted, // pre
};

// The element the block becomes: "p", "h1".."h6", "blockquote" or "pre".
[[nodiscard]] QString blockElement(BlockFormat format);
// Ctrl+0 for body text, Ctrl+1..Ctrl+6 for the headings; nothing for the others.
[[nodiscard]] std::optional<int> blockKeyDigit(BlockFormat format);

namespace blockformatscript {

// Run after every load beside the page: Ctrl+0 to Ctrl+6 make the caret's block body text or a heading.
[[nodiscard]] QString afterLoad();
// Makes the block at the caret (every block of a selection) `format`, one step of the engine's undo.
[[nodiscard]] QString apply(BlockFormat format);

} // namespace blockformatscript

void applyBlockFormat(DesignView& view, BlockFormat format);

// "段落格式" (a submenu of every format with its key) and "页面属性…", whatever the pointer is on.
// run wraps each command as the window runs its commands; empty: the command runs as it is.
[[nodiscard]] MenuSection paragraphAndPageSection(
    DesignView& view, PageProperties& page, std::function<void(const std::function<void()>&)> run = {});

} // namespace inkwell
