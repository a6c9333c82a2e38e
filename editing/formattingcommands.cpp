#include "editing/formattingcommands.h"

#include "editing/designview.h"
#include "editing/fragments.h"
#include "editing/pictureinsertion.h"

#include <QColorDialog>
#include <QFileDialog>

namespace {

std::uint32_t ToBgr(const QColor& colour)
{
    return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8
        | std::uint32_t(colour.blue()) << 16;
}

std::optional<QColor> AskColour(QWidget* parent, const QColor& current)
{
    const QColor chosen = QColorDialog::getColor(current, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

QString AskPicture(QWidget* parent)
{
    const auto dialog = FormattingCommands::createPictureDialog(parent);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

} // namespace

FormattingCommands::FormattingCommands(DesignView& view, QWidget* parent)
    : m_view(view)
    , m_parent(parent)
    , m_chooseColour(AskColour)
    , m_choosePicture(AskPicture)
{
}

QStringList FormattingCommands::pictureFilters()
{
    return {
        QStringLiteral("BMP图片（*.bmp） (*.bmp)"),
        QStringLiteral("JPG图片（*.jpg） (*.jpg)"),
        QStringLiteral("PNG图片（*.png） (*.png)"),
        QStringLiteral("GIF图片（*.gif） (*.gif)"),
        QStringLiteral("所有文件（*.*） (*)"),
    };
}

void FormattingCommands::preparePictureDialog(QFileDialog& dialog)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The descriptions already name their patterns; without this the dialog would show each pattern
    // a second time after its description.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(pictureFilters());
    const QString first = pictureFilters().constFirst();
    dialog.selectNameFilter(first);
    // The dialog keeps the type chosen last; the next opening starts from the first again.
    QObject::connect(
        &dialog, &QDialog::finished, &dialog, [&dialog, first] { dialog.selectNameFilter(first); });
}

std::unique_ptr<QFileDialog> FormattingCommands::createPictureDialog(QWidget* parent)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setObjectName(QStringLiteral("通用对话框_插入图片"));
    preparePictureDialog(*dialog);
    return dialog;
}

void FormattingCommands::bold()
{
    m_view.ApplyBold();
}
void FormattingCommands::italic()
{
    m_view.ApplyItalic();
}
void FormattingCommands::underline()
{
    m_view.ApplyUnderline();
}
void FormattingCommands::strikeThrough()
{
    m_view.ApplyStrikeThrough();
}
void FormattingCommands::superscript()
{
    m_view.ApplySuperscript();
}
void FormattingCommands::subscript()
{
    m_view.ApplySubscript();
}
void FormattingCommands::alignLeft()
{
    m_view.AlignLeft();
}
void FormattingCommands::alignCenter()
{
    m_view.AlignCenter();
}
void FormattingCommands::alignRight()
{
    m_view.AlignRight();
}
void FormattingCommands::orderedList()
{
    m_view.OrderedList();
}
void FormattingCommands::unorderedList()
{
    m_view.UnorderedList();
}

void FormattingCommands::paste(std::string_view fragment)
{
    m_view.PasteHtml(QString::fromUtf8(fragment.data(), qsizetype(fragment.size())));
}

void FormattingCommands::insertRule()
{
    m_view.InsertRule();
}
void FormattingCommands::insertTable()
{
    paste(inkwell::fragments::kTable);
}
void FormattingCommands::insertLink()
{
    paste(inkwell::fragments::kLink);
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
    const auto chosen = m_chooseColour ? m_chooseColour(m_parent, m_textColour) : std::nullopt;
    if (!chosen)
        return;
    m_textColour = *chosen;
    m_view.SetFontColor(ToBgr(*chosen));
}

void FormattingCommands::backgroundColour()
{
    const auto chosen = m_chooseColour ? m_chooseColour(m_parent, m_backgroundColour) : std::nullopt;
    if (!chosen)
        return;
    m_backgroundColour = *chosen;
    m_view.SetBackColor(ToBgr(*chosen));
}

void FormattingCommands::fontName(const QString& family)
{
    m_view.SetFontName(family);
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
        m_view.SetFontSize(size);
}

void FormattingCommands::insertPicture()
{
    const QString path = m_choosePicture ? m_choosePicture(m_parent) : QString();
    if (path.isEmpty())
        return;
    const auto copy = CopyPictureIntoFolder(path.toStdString(), m_view.documentFolder().toStdString());
    m_view.InsertImage(copy ? QString::fromStdString(copy->string()) : path);
}
