// "页面属性": the page's title and the colours of its text and background, each colour with a button
// that picks it and one that leaves it to the page's defaults.
#pragma once

#include "editing/pageproperties.h"

#include <QDialog>
#include <optional>

class QFormLayout;
class QLineEdit;
class QPushButton;

namespace inkwell {

class PagePropertiesDialog final : public QDialog
{
public:
    PagePropertiesDialog(QWidget* parent, const PageValues& current);

    [[nodiscard]] PageValues values() const;

    // Opens the dialog over parent: what the user confirmed, or nothing when cancelled.
    [[nodiscard]] static std::optional<PageValues> ask(QWidget* parent, const PageValues& current);

private:
    struct ColourRow
    {
        QPushButton* pick = nullptr;
        QColor colour;
    };
    void addColourRow(QFormLayout* form, ColourRow& row, const QString& label, const QString& name);
    static void showColour(ColourRow& row);

    QLineEdit* m_title = nullptr;
    ColourRow m_text;
    ColourRow m_background;
};

} // namespace inkwell
