// editing/formattingcommands.h: what each formatting and insertion control of the toolbar does to the
// page in the design view, one method per control. The dialogs they open can be replaced (for tests).
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class DesignView;
class QFileDialog;
class QWidget;

class FormattingCommands
{
public:
    // The colour the user confirmed, or nothing when the chooser was cancelled.
    using ColourChooser = std::function<std::optional<QColor>(QWidget* parent, const QColor& current)>;
    // The full path of the chosen file, or empty when the dialog was cancelled.
    using PictureChooser = std::function<QString(QWidget* parent)>;

    FormattingCommands(DesignView& view, QWidget* parent);
    FormattingCommands(const FormattingCommands&) = delete;
    FormattingCommands& operator=(const FormattingCommands&) = delete;

    void setColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }
    void setPictureChooser(PictureChooser chooser) { m_choosePicture = std::move(chooser); }

    // The picture dialog's file types in order, the first one preselected; each description is shown as
    // it stands, the pattern after it in parentheses is what the dialog filters by.
    [[nodiscard]] static QStringList pictureFilters();
    // Makes a file dialog the picture dialog: one existing file, the file types above, and the first of
    // them chosen whenever it opens, whatever the user chose the time before.
    static void preparePictureDialog(QFileDialog& dialog);
    [[nodiscard]] static std::unique_ptr<QFileDialog> createPictureDialog(QWidget* parent);

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
    void insertLink();
    void insertTextField();
    void insertTextArea();
    void insertRadioButton();
    void insertCheckBox();
    void insertButton();
    void insertFieldSet();

    // Open the colour chooser; a confirmed colour applies, also the one already chosen; cancel applies
    // nothing.
    void textColour();
    void backgroundColour();

    // For a choice the user made in the font boxes (not for the selection made at start-up).
    void fontName(const QString& family);
    // The leading decimal digits of the item's text ("10" gives 10); a text without any applies nothing.
    void fontSize(const QString& item);

    // Lets the user choose a picture, copies it into the document folder and inserts the copy; where
    // the copy cannot be made, the original by its file:// URL. Cancel does nothing.
    void insertPicture();

private:
    void paste(std::string_view fragment);

    DesignView& m_view;
    QWidget* m_parent;
    ColourChooser m_chooseColour;
    PictureChooser m_choosePicture;
    QColor m_textColour { Qt::black };
    QColor m_backgroundColour { Qt::white };
};
