// Links and pictures in the page stay editable: the link command and its dialog, editing and taking
// away a link, a picture's properties and replacing it. Each change is one step of the design view's
// undo.
#pragma once

#include <QPointF>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace inkwell {

class DesignView;
struct ReplacementPicture;

class InsertedObjects
{
public:
    // Lets the user choose a picture, copied into the document folder by the picture command's rules;
    // the copy's path (or the original's where it could not be copied), or nothing when cancelled or
    // refused.
    using PictureChooser = std::function<std::optional<std::filesystem::path>()>;

    // The dialogs are children of `parent`, opened modally.
    InsertedObjects(DesignView& view, QWidget* parent, PictureChooser choosePicture);
    InsertedObjects(const InsertedObjects&) = delete;
    InsertedObjects& operator=(const InsertedObjects&) = delete;

    // The link command: selected words become the link's text, without a selection the link fragment
    // goes in; then the dialog asks for the address. Cancel leaves what the command put in.
    void insertLink();
    // The link key: edits the link the selection starts in, or does what the link command does.
    void linkAtCaret();
    // Edits the link at the point of the page (CSS pixels of the viewport); false when there is none.
    bool editLinkAt(QPointF point);
    // Edits, or takes away keeping its words, the link the last findings (see DesignMenu) named.
    void editFoundLink();
    void removeFoundLink();

    // The properties of the selected picture; "更换图片…" in them and replacePicture put another
    // picture, chosen as the picture command chooses, in its place.
    void editPicture();
    void replacePicture();

private:
    // Runs the link dialog on the link the page's script holds and applies what it gives.
    void editHeldLink();
    [[nodiscard]] bool scriptTrue(const char* function, const QString& arguments = QString());
    // A picture chosen to replace the selected one, referred to as the page will refer to it.
    [[nodiscard]] std::optional<ReplacementPicture> chooseReplacement();

    DesignView& m_view;
    QWidget* m_parent;
    PictureChooser m_choosePicture;
};

} // namespace inkwell
