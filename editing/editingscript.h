// The design view's editing rules, as scripts run beside the page: the engine's settings for new
// paragraphs and formats, a paragraph for text typed where there is none, and markup read back without
// the clutter the engine leaves in what an edit made.
#pragma once

#include <QString>

namespace inkwell::editingscript {

// Run after every load: sets the engine's paragraph separator ("p") and its format form (elements, not
// style attributes), and from then on records which nodes edits make or change. Before text, Enter or a
// paste lands in the body itself, the line becomes a paragraph. A copied-style span that joining or
// splitting paragraphs makes loses its style at once, and pasted markup keeps only the formats a person
// gives text (bold, italic, lines, alignment), so the page shows what its file will hold. The paragraph is
// the engine's own command, a step of its own in the undo history (the first undo takes the text back,
// the second the empty paragraph); otherwise only attributes of nodes the edit itself made change in the
// live page, never its structure, so the engine's undo still takes each edit back in one step.
[[nodiscard]] QString afterLoad();

// An expression for the root element's markup: the page as it stands, with the clutter taken out of the
// nodes that edits made or changed (copied-style spans, empty inline elements, needless no-break spaces,
// trailing line breaks, formats nested twice or split into equal neighbours, lists inside the paragraph
// they were made from), and each block an edit made on a line of its own. Markup no edit touched comes
// back as it is. The same as the plain markup on a page loaded without afterLoad.
[[nodiscard]] QString rootMarkup();

// A statement that leaves `root` holding such a cleaned copy of the root element (never the live one
// when there is anything to clean), for scripts that change the copy further before reading it. Such a
// script runs inside asideDecorations, as rootMarkup does.
[[nodiscard]] QString cleanedRootInto(const QString& root);

// The expression `read` evaluated with what the design view draws into the document for the user (the
// handles of a selected picture) taken out, and put back afterwards.
[[nodiscard]] QString asideDecorations(const QString& read);

// Makes a paragraph for the caret when it stands in the body itself (an empty body, or text typed
// straight into the body), so that what comes next goes into a "p". True when it made one.
[[nodiscard]] QString ensureParagraph();

} // namespace inkwell::editingscript
