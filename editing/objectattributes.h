// What the link and picture dialogs change on the element they edit, and the size arithmetic of
// pictures, without a page or a widget: the design view hands the changes to a script that edits the
// element in the page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

// An attribute an edit sets (to the value) or takes away (no value).
struct AttributeChange
{
    std::string name;
    std::optional<std::string> value;

    friend bool operator==(const AttributeChange&, const AttributeChange&) = default;
};
using AttributeChanges = std::vector<AttributeChange>;

// What the link dialog asks; texts in UTF-8.
struct LinkFields
{
    std::string address;
    std::string title;
    bool newWindow = false;
};

// The link's fields as it stands: its href, title and target.
[[nodiscard]] LinkFields linkFieldsOf(std::string_view href, std::string_view title, std::string_view target);

// The changes that give a link the fields: the address always (an empty one too), the title when it
// has one and none otherwise; "_blank" as its target for a new window, and without one a target of
// "_blank" goes while any other (a frame's name) stays.
[[nodiscard]] AttributeChanges linkChanges(const LinkFields& fields, std::string_view currentTarget);

// What the picture dialog asks: the shown size in CSS pixels, the alternative text, and the new
// reference when the picture was replaced.
struct PictureFields
{
    int width = 0;
    int height = 0;
    std::string alt;
    std::optional<std::string> source;
};

// width and height as attributes (a size of 0 or less is taken away, so the picture shows at its own
// size), alt always (an empty alt says the picture is decoration), src when it was replaced.
[[nodiscard]] AttributeChanges pictureChanges(const PictureFields& fields);

// A JavaScript string literal that holds the UTF-8 text exactly; invalid UTF-8 bytes become U+FFFD.
[[nodiscard]] std::string scriptString(std::string_view utf8);
// The changes as a JavaScript array of [name, value] pairs, a removal's value being null.
[[nodiscard]] std::string scriptChanges(const AttributeChanges& changes);

// A picture's width and height, in CSS pixels.
struct PictureSize
{
    int width = 0;
    int height = 0;

    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The other side of a picture whose proportions are those of `shape` (its own size), at least 1; the
// side given back unchanged when the shape has no area.
[[nodiscard]] int heightForWidth(PictureSize shape, int width);
[[nodiscard]] int widthForHeight(PictureSize shape, int height);

// Which corner of a picture the user drags; the opposite one stays where it is.
enum class Corner
{
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

// The size a picture of `start` size takes when its corner is dragged by (dx, dy) pixels of the
// screen's direction: outwards grows it. Keeping proportions, the side dragged the more (relative to
// its length) decides and the other follows. Each side is at least 1.
[[nodiscard]] PictureSize draggedSize(PictureSize start, Corner corner, int dx, int dy, bool keepProportions);

} // namespace inkwell
