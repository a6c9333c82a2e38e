#include "editing/pagepropertiesdialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace inkwell {

PagePropertiesDialog::PagePropertiesDialog(QWidget* parent, const PageValues& current)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("页面属性"));
    setWindowTitle(QStringLiteral("页面属性"));
    m_title = new QLineEdit(current.title, this);
    m_title->setObjectName(QStringLiteral("页面标题"));
    m_title->setMinimumWidth(280);
    m_text.colour = current.text;
    m_background.colour = current.background;

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("标题（浏览器标签上显示）："), m_title);
    addColourRow(form, m_text, QStringLiteral("文字颜色："), QStringLiteral("文字颜色"));
    addColourRow(form, m_background, QStringLiteral("背景颜色："), QStringLiteral("背景颜色"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    // Enter in the title field confirms the dialog, not one of the colour buttons.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
}

void PagePropertiesDialog::addColourRow(
    QFormLayout* form, ColourRow& row, const QString& label, const QString& name)
{
    auto* line = new QHBoxLayout;
    row.pick = new QPushButton(this);
    row.pick->setObjectName(name);
    row.pick->setAutoDefault(false);
    auto* reset = new QPushButton(QStringLiteral("默认"), this);
    reset->setObjectName(name + QStringLiteral("_默认"));
    reset->setAutoDefault(false);
    reset->setToolTip(QStringLiteral("不设颜色，由浏览器决定"));
    line->addWidget(row.pick, 1);
    line->addWidget(reset);
    form->addRow(label, line);
    showColour(row);
    connect(row.pick, &QPushButton::clicked, this, [this, &row, name] {
        QColorDialog picker(row.colour.isValid() ? row.colour : QColor(Qt::black), this);
        picker.setObjectName(QStringLiteral("颜色选择器_") + name);
        picker.setWindowTitle(name);
        if (picker.exec() != QDialog::Accepted)
            return;
        row.colour = picker.selectedColor();
        showColour(row);
    });
    connect(reset, &QPushButton::clicked, this, [&row] {
        row.colour = QColor();
        showColour(row);
    });
}

void PagePropertiesDialog::showColour(ColourRow& row)
{
    if (!row.colour.isValid()) {
        row.pick->setIcon(QIcon());
        row.pick->setText(QStringLiteral("（默认）选择…"));
        return;
    }
    QPixmap swatch(16, 16);
    swatch.fill(row.colour);
    row.pick->setIcon(QIcon(swatch));
    row.pick->setText(row.colour.name() + QStringLiteral(" 选择…"));
}

PageValues PagePropertiesDialog::values() const
{
    return { m_title->text(), m_text.colour, m_background.colour };
}

std::optional<PageValues> PagePropertiesDialog::ask(QWidget* parent, const PageValues& current)
{
    PagePropertiesDialog dialog(parent, current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.values();
}

} // namespace inkwell
