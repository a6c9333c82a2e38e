#include "editing/formattingcommands.h"

#include "core/messageservice.h"
#include "core/messagetexts.h"
#include "core/regularfile.h"
#include "editing/designview.h"
#include "editing/fragments.h"
#include "editing/insertedobjects.h"
#include "incoming/pictureinsertion.h"

#include <QColorDialog>
#include <QFileDialog>
#include <cerrno>

namespace inkwell {
namespace {

std::uint32_t toBgr(const QColor& colour)
{
    return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8
        | std::uint32_t(colour.blue()) << 16;
}

// The picture dialog's file types in order, the first one preselected; each description is shown as it
// stands, the pattern after it in parentheses is what the dialog filters by.
QStringList pictureFilters()
{
    return {
        QStringLiteral("BMP图片（*.bmp） (*.bmp)"),
        QStringLiteral("JPG图片（*.jpg） (*.jpg)"),
        QStringLiteral("PNG图片（*.png） (*.png)"),
        QStringLiteral("GIF图片（*.gif） (*.gif)"),
        QStringLiteral("所有文件（*.*） (*)"),
    };
}

// The picture dialog: one existing file, the file types above, and the first of them chosen whenever it
// opens, whatever the user chose the time before.
QFileDialog* addPictureDialog(QWidget* parent)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("通用对话框_插入图片"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The descriptions already name their patterns; without this the dialog would show each pattern
    // a second time after its description.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(pictureFilters());
    const QString first = pictureFilters().constFirst();
    dialog->selectNameFilter(first);
    // The dialog keeps the type chosen last; the next opening starts from the first again.
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, first] { dialog->selectNameFilter(first); });
    dialog->hide();
    return dialog;
}

QColorDialog* addColourPicker(QWidget* parent, const QString& name)
{
    auto* picker = new QColorDialog(parent);
    picker->setObjectName(name);
    picker->hide();
    return picker;
}

} // namespace

FormattingCommands::FormattingCommands(
    DesignView& view, QWidget* parent, MessageService& messages, FolderSource documentFolder)
    : m_view(view)
    , m_parent(parent)
    , m_messages(messages)
    , m_documentFolder(std::move(documentFolder))
    , m_pictureDialog(addPictureDialog(parent))
    , m_textPicker(addColourPicker(parent, QStringLiteral("颜色选择器_字体颜色")))
    , m_backgroundPicker(addColourPicker(parent, QStringLiteral("颜色选择器_背景颜色")))
    , m_objects(std::make_unique<InsertedObjects>(view, parent, [this] { return choosePicture(); }))
{
}

FormattingCommands::~FormattingCommands() = default;

std::optional<QColor> FormattingCommands::chooseColour(QColorDialog* picker, const QColor& current)
{
    if (m_chooseColour)
        return m_chooseColour(m_parent, current);
    // The button pops up its picker's palette; a confirmed colour is applied by the command, also when
    // it is the colour chosen last time.
    picker->setCurrentColor(current);
    if (picker->exec() != QDialog::Accepted)
        return std::nullopt;
    return picker->selectedColor();
}

void FormattingCommands::bold()
{
    m_view.applyBold();
}
void FormattingCommands::italic()
{
    m_view.applyItalic();
}
void FormattingCommands::underline()
{
    m_view.applyUnderline();
}
void FormattingCommands::strikeThrough()
{
    m_view.applyStrikeThrough();
}
void FormattingCommands::superscript()
{
    m_view.applySuperscript();
}
void FormattingCommands::subscript()
{
    m_view.applySubscript();
}
void FormattingCommands::alignLeft()
{
    m_view.alignLeft();
}
void FormattingCommands::alignCenter()
{
    m_view.alignCenter();
}
void FormattingCommands::alignRight()
{
    m_view.alignRight();
}
void FormattingCommands::orderedList()
{
    m_view.orderedList();
}
void FormattingCommands::unorderedList()
{
    m_view.unorderedList();
}

void FormattingCommands::paste(std::string_view fragment)
{
    m_view.pasteHtml(QString::fromUtf8(fragment.data(), qsizetype(fragment.size())));
}

void FormattingCommands::insertRule()
{
    m_view.insertRule();
}
void FormattingCommands::insertTable()
{
    paste(inkwell::fragments::kTable);
}
void FormattingCommands::insertLink()
{
    m_objects->insertLink();
}
void FormattingCommands::insertTextField()
{
    paste(inkwell::fragments::kTextField);
}
void FormattingCommands::insertTextArea()
{
    paste(inkwell::fragments::kTextArea);
}
void FormattingCommands::insertRadioButton()
{
    paste(inkwell::fragments::kRadioButton);
}
void FormattingCommands::insertCheckBox()
{
    paste(inkwell::fragments::kCheckBox);
}
void FormattingCommands::insertButton()
{
    paste(inkwell::fragments::kButton);
}
void FormattingCommands::insertFieldSet()
{
    paste(inkwell::fragments::kFieldSet);
}

void FormattingCommands::textColour()
{
    const auto chosen = chooseColour(m_textPicker, m_textColour);
    if (!chosen)
        return;
    m_textColour = *chosen;
    m_view.setFontColor(toBgr(*chosen));
}

void FormattingCommands::backgroundColour()
{
    const auto chosen = chooseColour(m_backgroundPicker, m_backgroundColour);
    if (!chosen)
        return;
    m_backgroundColour = *chosen;
    m_view.setBackColor(toBgr(*chosen));
}

void FormattingCommands::fontName(const QString& family)
{
    m_view.setFontName(family);
}

void FormattingCommands::fontSize(const QString& item)
{
    int size = 0;
    qsizetype digits = 0;
    for (const QChar c : item) {
        if (c < u'0' || c > u'9' || size > 100000)
            break;
        size = size * 10 + (c.unicode() - u'0');
        ++digits;
    }
    if (digits > 0)
        m_view.setFontSize(size);
}

void FormattingCommands::insertPicture()
{
    if (const auto picture = choosePicture())
        m_view.insertImage(*picture);
}

std::optional<std::filesystem::path> FormattingCommands::choosePicture()
{
    QString path;
    if (m_choosePicture)
        path = m_choosePicture(m_parent);
    else if (m_pictureDialog->exec() == QDialog::Accepted && !m_pictureDialog->selectedFiles().isEmpty())
        path = m_pictureDialog->selectedFiles().constFirst();
    if (path.isEmpty())
        return std::nullopt;
    const std::filesystem::path chosen = path.toStdString();
    const auto copy = copyPictureIntoFolder(chosen, m_documentFolder());
    if (!copy && (copy.error().code == kNotARegularFile || copy.error().code == EISDIR)) {
        // Nothing a page could show: a reference to it would only leave a broken picture behind.
        m_messages.inform(kHintTitle, texts::pictureNotInserted(copy.error(), path.toStdString()));
        return std::nullopt;
    }
    return copy ? *copy : chosen;
}

} // namespace inkwell
