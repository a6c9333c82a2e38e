// The small dialog that asks for a link's address, its title and whether it opens a new window.
#pragma once

#include "editing/objectattributes.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace inkwell {

class LinkDialog final : public QDialog
{
public:
    // The fields start as given; the address is selected, ready to be typed over.
    LinkDialog(QWidget* parent, const LinkFields& fields);

    [[nodiscard]] LinkFields fields() const;

private:
    QLineEdit* m_address = nullptr;
    QLineEdit* m_title = nullptr;
    QCheckBox* m_newWindow = nullptr;
};

} // namespace inkwell
