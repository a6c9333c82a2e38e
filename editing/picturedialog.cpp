#include "editing/picturedialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>

namespace inkwell {
namespace {

constexpr int kLargestSide = 10000; // pixels

QSpinBox* addSide(QWidget* parent, const char* name, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setRange(1, kLargestSide);
    box->setSuffix(QStringLiteral(" 像素"));
    box->setValue(std::clamp(value, 1, kLargestSide));
    return box;
}

// The reference as the user reads it: 西湖.png rather than %E8%A5%BF%E6%B9%96.png.
QString readableSource(const std::string& source)
{
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(source));
}

} // namespace

PictureDialog::PictureDialog(
    QWidget* parent, const Shown& shown, std::function<std::optional<ReplacementPicture>()> replace)
    : QDialog(parent)
    , m_width(addSide(this, "图片宽度", shown.shownSize.width()))
    , m_height(addSide(this, "图片高度", shown.shownSize.height()))
    , m_keepProportions(new QCheckBox(QStringLiteral("保持比例"), this))
    , m_alt(new QLineEdit(QString::fromStdString(shown.alt), this))
    , m_source(new QLabel(readableSource(shown.source), this))
    , m_ownSize(shown.ownSize)
    , m_shownSize(shown.shownSize)
    , m_replace(std::move(replace))
{
    setObjectName(QStringLiteral("图片属性对话框"));
    setWindowTitle(QStringLiteral("图片属性"));
    m_keepProportions->setObjectName(QStringLiteral("保持比例"));
    m_keepProportions->setChecked(true);
    m_alt->setObjectName(QStringLiteral("替换文字"));
    m_alt->setMinimumWidth(260);
    m_source->setObjectName(QStringLiteral("图片文件"));
    m_source->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* ownSize = new QPushButton(QStringLiteral("原始大小"), this);
    ownSize->setObjectName(QStringLiteral("原始大小"));
    ownSize->setAutoDefault(false);
    auto* other = new QPushButton(QStringLiteral("更换图片…"), this);
    other->setObjectName(QStringLiteral("更换图片"));
    other->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("确定"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* size = new QHBoxLayout;
    size->addWidget(m_width);
    size->addWidget(new QLabel(QStringLiteral("×"), this));
    size->addWidget(m_height);
    size->addWidget(m_keepProportions);
    size->addWidget(ownSize);
    auto* file = new QHBoxLayout;
    file->addWidget(m_source, 1);
    file->addWidget(other);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("图片："), file);
    form->addRow(QStringLiteral("大小："), size);
    form->addRow(QStringLiteral("替换文字："), m_alt);
    form->addRow(buttons);

    connect(m_width, &QSpinBox::valueChanged, this, &PictureDialog::widthChanged);
    connect(m_height, &QSpinBox::valueChanged, this, &PictureDialog::heightChanged);
    connect(ownSize, &QPushButton::clicked, this, &PictureDialog::showOwnSize);
    connect(other, &QPushButton::clicked, this, &PictureDialog::replacePicture);
    ownSize->setEnabled(!m_ownSize.isEmpty());
    m_width->setFocus();
}

PictureSize PictureDialog::shape() const
{
    const QSize shape = m_ownSize.isEmpty() ? m_shownSize : m_ownSize;
    return { shape.width(), shape.height() };
}

void PictureDialog::widthChanged(int width)
{
    if (m_following || !m_keepProportions->isChecked())
        return;
    m_following = true;
    m_height->setValue(inkwell::heightForWidth(shape(), width));
    m_following = false;
}

void PictureDialog::heightChanged(int height)
{
    if (m_following || !m_keepProportions->isChecked())
        return;
    m_following = true;
    m_width->setValue(inkwell::widthForHeight(shape(), height));
    m_following = false;
}

void PictureDialog::showOwnSize()
{
    if (m_ownSize.isEmpty())
        return;
    m_following = true;
    m_width->setValue(m_ownSize.width());
    m_height->setValue(m_ownSize.height());
    m_following = false;
}

void PictureDialog::replacePicture()
{
    if (!m_replace)
        return;
    const auto chosen = m_replace();
    if (!chosen)
        return;
    m_newSource = chosen->source;
    m_source->setText(readableSource(chosen->source));
    // The new picture shows at its own size; the old one's size and proportions no longer apply.
    m_ownSize = chosen->size;
    m_shownSize = chosen->size;
    findChild<QPushButton*>(QStringLiteral("原始大小"))->setEnabled(!m_ownSize.isEmpty());
    if (!m_ownSize.isEmpty())
        showOwnSize();
}

PictureFields PictureDialog::fields() const
{
    return { m_width->value(), m_height->value(), m_alt->text().toStdString(), m_newSource };
}

} // namespace inkwell
