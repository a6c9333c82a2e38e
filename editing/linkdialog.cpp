#include "editing/linkdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace inkwell {

LinkDialog::LinkDialog(QWidget* parent, const LinkFields& fields)
    : QDialog(parent)
    , m_address(new QLineEdit(QString::fromStdString(fields.address), this))
    , m_title(new QLineEdit(QString::fromStdString(fields.title), this))
    , m_newWindow(new QCheckBox(QStringLiteral("在新窗口打开"), this))
{
    setObjectName(QStringLiteral("链接对话框"));
    setWindowTitle(QStringLiteral("超级链接"));
    m_address->setObjectName(QStringLiteral("链接地址"));
    m_title->setObjectName(QStringLiteral("链接标题"));
    m_newWindow->setObjectName(QStringLiteral("在新窗口打开"));
    m_newWindow->setChecked(fields.newWindow);
    m_address->setMinimumWidth(320);
    m_address->selectAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("地址："), m_address);
    form->addRow(QStringLiteral("标题（可选）："), m_title);
    form->addRow(QString(), m_newWindow);
    form->addRow(buttons);
    m_address->setFocus();
}

LinkFields LinkDialog::fields() const
{
    // What was typed around the address is no part of it (a pasted address often brings a blank).
    return { m_address->text().trimmed().toStdString(), m_title->text().toStdString(),
        m_newWindow->isChecked() };
}

} // namespace inkwell
