// What each formatting and insertion control of the toolbar does to the page in the design view, one
// method per control, with the dialogs they open. The choosers can be replaced (for tests).
#pragma once

#include <QColor>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QColorDialog;
class QFileDialog;
class QWidget;

namespace inkwell {

class DesignView;
class InsertedObjects;
class MessageService;

class FormattingCommands
{
public:
    // The colour the user confirmed, or nothing when the chooser was cancelled.
    using ColourChooser = std::function<std::optional<QColor>(QWidget* parent, const QColor& current)>;
    // The full path of the chosen file, or empty when the dialog was cancelled.
    using PictureChooser = std::function<QString(QWidget* parent)>;

    // The document's folder, asked each time a picture is copied beside the document.
    using FolderSource = std::function<std::filesystem::path()>;

    // The picture dialog ("通用对话框_插入图片") and the two colour pickers ("颜色选择器_字体颜色",
    // "颜色选择器_背景颜色") are hidden children of parent until a command opens them.
    // messages shows the boxes of the picture command.
    FormattingCommands(
        DesignView& view, QWidget* parent, MessageService& messages, FolderSource documentFolder);
    ~FormattingCommands();
    FormattingCommands(const FormattingCommands&) = delete;
    FormattingCommands& operator=(const FormattingCommands&) = delete;

    void setColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }
    void setPictureChooser(PictureChooser chooser) { m_choosePicture = std::move(chooser); }

    void bold();
    void italic();
    void underline();
    void strikeThrough();
    void superscript();
    void subscript();
    void alignLeft();
    void alignCenter();
    void alignRight();
    void orderedList();
    void unorderedList();

    void insertRule();
    void insertTable();
    // Selected words become a link, or the link fragment goes in; then the link dialog asks for its
    // address.
    void insertLink();
    void insertTextField();
    void insertTextArea();
    void insertRadioButton();
    void insertCheckBox();
    void insertButton();
    void insertFieldSet();

    // Open the colour chooser (the button's picker, showing the colour chosen last); a confirmed colour
    // applies, also the one already chosen; cancel applies nothing.
    void textColour();
    void backgroundColour();

    // For a choice the user made in the font boxes (not for the selection made at start-up).
    void fontName(const QString& family);
    // The leading decimal digits of the item's text ("10" gives 10); a text without any applies nothing.
    void fontSize(const QString& item);

    // Lets the user choose a picture, copies it into the document folder and inserts the copy; where
    // the copy cannot be made, the original by its file:// URL. A choice that is no file at all (a
    // folder, a named pipe, a device) is refused with a message and inserts nothing. Cancel does
    // nothing.
    void insertPicture();
    // The picture command's choice and copy: the path the page is to refer to (the copy in the document
    // folder, or the original where it could not be copied), or nothing when cancelled or refused with
    // a message.
    [[nodiscard]] std::optional<std::filesystem::path> choosePicture();

    // The links and pictures already in the page, edited with their dialogs.
    [[nodiscard]] InsertedObjects& objects() { return *m_objects; }

private:
    void paste(std::string_view fragment);
    [[nodiscard]] std::optional<QColor> chooseColour(QColorDialog* picker, const QColor& current);

    DesignView& m_view;
    QWidget* m_parent;
    MessageService& m_messages;
    FolderSource m_documentFolder;
    QFileDialog* m_pictureDialog = nullptr;
    QColorDialog* m_textPicker = nullptr;
    QColorDialog* m_backgroundPicker = nullptr;
    ColourChooser m_chooseColour;
    PictureChooser m_choosePicture;
    QColor m_textColour { Qt::black };
    QColor m_backgroundColour { Qt::white };
    std::unique_ptr<InsertedObjects> m_objects;
};

} // namespace inkwell
