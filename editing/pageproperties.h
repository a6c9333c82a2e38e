// "页面属性": the page's title (its `title` element) and the colours of its text and background, read
// from the page and written back as one step of the page's history.
#pragma once

#include <QColor>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class QWidget;

namespace inkwell {

class DesignView;

struct PageValues
{
    QString title;
    QColor text; // invalid: the page sets none
    QColor background; // invalid: the page sets none

    friend bool operator==(const PageValues&, const PageValues&) = default;
};

// A colour as a page writes it: "#rrggbb", or empty for an invalid colour (none set).
[[nodiscard]] QString cssColour(const QColor& colour);
// A colour as a page or a style gives it back: "#rgb", "#rrggbb", a name ("red") or "rgb(r, g, b)";
// invalid for anything else, an empty text included.
[[nodiscard]] QColor colourFromCss(const QString& text);

namespace pagescript {

// The page's values as {title, text, background}.
[[nodiscard]] QString read();
// Sets the title (a `title` element is made in the head when the page has none) and the body's text
// and background colours (an invalid colour takes the page's own setting away).
[[nodiscard]] QString apply(const PageValues& values);

} // namespace pagescript

[[nodiscard]] std::optional<PageValues> pageValuesFrom(const QVariant& value);

class PageProperties
{
public:
    // The values the user confirmed, or nothing when the dialog was cancelled.
    using Chooser = std::function<std::optional<PageValues>(QWidget* parent, const PageValues& current)>;

    PageProperties(DesignView& view, QWidget* parent);
    PageProperties(const PageProperties&) = delete;
    PageProperties& operator=(const PageProperties&) = delete;

    void setChooser(Chooser chooser) { m_choose = std::move(chooser); }

    [[nodiscard]] std::optional<PageValues> values();
    // Writes the values into the page as one step of its history; false when nothing changed or the
    // page could not be read.
    bool setValues(const PageValues& values);
    // Opens "页面属性" and applies what the user confirms.
    void edit();

private:
    DesignView& m_view;
    QWidget* m_parent;
    Chooser m_choose;
};

} // namespace inkwell
