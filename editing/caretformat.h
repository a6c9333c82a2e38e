// The formats at the caret or across the selection, as the toolbar shows them: which format buttons
// are pressed and what the font boxes hold.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace inkwell {

struct CaretFormat
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeThrough = false;
    bool superscript = false;
    bool subscript = false;
    bool alignLeft = false;
    bool alignCenter = false;
    bool alignRight = false;
    bool orderedList = false;
    bool unorderedList = false;
    // The first family the text asks for, without quotes; empty when the selection mixes families.
    QString fontName;
    // The font size as the size box counts (1..7); nothing when the selection mixes sizes.
    std::optional<int> fontSize;

    friend bool operator==(const CaretFormat&, const CaretFormat&) = default;
};

// An expression giving the formats as an object; null without a selection. It looks at no more than
// a couple of thousand text nodes of a selection, so that it stays quick on a large page.
[[nodiscard]] QString caretFormatScript();

// The formats from the expression's value; nothing for null or anything else.
[[nodiscard]] std::optional<CaretFormat> caretFormatFrom(const QVariant& value);

// The first family of a style's font-family list, without its quotes ("'Noto Sans', serif" gives
// "Noto Sans").
[[nodiscard]] QString firstFontFamily(const QString& list);

} // namespace inkwell
