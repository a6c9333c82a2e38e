#include "editing/tablepropertiesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace inkwell {
namespace {

QSpinBox* pixelBox(QWidget* parent, int value)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, 100);
    box->setSuffix(QStringLiteral(" 像素"));
    box->setValue(value);
    return box;
}

} // namespace

TablePropertiesDialog::TablePropertiesDialog(QWidget* parent, const TableProperties& current)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("表格属性"));
    setWindowTitle(QStringLiteral("表格属性"));
    m_width = new QLineEdit(current.width, this);
    m_width->setObjectName(QStringLiteral("宽度"));
    m_width->setPlaceholderText(QStringLiteral("如 400 或 80%，空着表示不限"));
    m_border = pixelBox(this, current.border);
    m_border->setObjectName(QStringLiteral("边框"));
    m_spacing = pixelBox(this, current.cellSpacing);
    m_spacing->setObjectName(QStringLiteral("单元格间距"));
    m_padding = pixelBox(this, current.cellPadding);
    m_padding->setObjectName(QStringLiteral("单元格边距"));
    m_header = new QCheckBox(QStringLiteral("第一行作为标题行"), this);
    m_header->setObjectName(QStringLiteral("标题行"));
    m_header->setChecked(current.headerRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("宽度（像素或百分比）："), m_width);
    form->addRow(QStringLiteral("边框："), m_border);
    form->addRow(QStringLiteral("单元格间距："), m_spacing);
    form->addRow(QStringLiteral("单元格边距："), m_padding);
    form->addRow(m_header);
    form->addRow(buttons);
}

TableProperties TablePropertiesDialog::properties() const
{
    return { tableWidthValue(m_width->text()).value_or(QString()), m_border->value(), m_spacing->value(),
        m_padding->value(), m_header->isChecked() };
}

void TablePropertiesDialog::accept()
{
    // A width the table cannot take keeps the dialog open on it rather than losing it silently.
    if (!tableWidthValue(m_width->text())) {
        m_width->setFocus();
        m_width->selectAll();
        m_width->setStyleSheet(QStringLiteral("background: #fdd"));
        return;
    }
    QDialog::accept();
}

std::optional<TableProperties> TablePropertiesDialog::ask(QWidget* parent, const TableProperties& current)
{
    TablePropertiesDialog dialog(parent, current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.properties();
}

} // namespace inkwell
