// "表格属性": the width, border, cell spacing and padding of a table, and whether its first row is a
// header row.
#pragma once

#include "editing/tablecommands.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace inkwell {

class TablePropertiesDialog final : public QDialog
{
public:
    TablePropertiesDialog(QWidget* parent, const TableProperties& current);

    // What the fields hold; the width as tableWidthValue reads it (the dialog accepts no other).
    [[nodiscard]] TableProperties properties() const;

    // Opens the dialog over parent: what the user confirmed, or nothing when cancelled.
    [[nodiscard]] static std::optional<TableProperties> ask(QWidget* parent, const TableProperties& current);

    void accept() override;

private:
    QLineEdit* m_width = nullptr;
    QSpinBox* m_border = nullptr;
    QSpinBox* m_spacing = nullptr;
    QSpinBox* m_padding = nullptr;
    QCheckBox* m_header = nullptr;
};

} // namespace inkwell
