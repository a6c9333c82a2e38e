#include "app/commandmap.h"

#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QComboBox>

namespace inkwell {
namespace {

const CommandBinding commandTable[] = {
    { "超级按钮_设计", ControlEvent::Click, [](MainWindow& w) { w.showDesignPage(); } },
    { "超级按钮_代码", ControlEvent::Click, [](MainWindow& w) { w.showCodePage(); } },
};

} // namespace

std::span<const CommandBinding> CommandMap()
{
    return commandTable;
}

void BindCommands(MainWindow& window)
{
    for (const auto& row : CommandMap()) {
        const QString name = QString::fromUtf8(row.control);
        auto run = [&window, command = row.command] { command(window); };
        switch (row.event) {
        case ControlEvent::Click:
            if (auto* button = window.findChild<QAbstractButton*>(name))
                QObject::connect(button, &QAbstractButton::clicked, &window, run);
            break;
        case ControlEvent::ItemChosen:
            if (auto* box = window.findChild<QComboBox*>(name))
                QObject::connect(box, &QComboBox::activated, &window, run);
            break;
        case ControlEvent::ColourChosen:
            if (auto* picker = window.findChild<QColorDialog*>(name))
                QObject::connect(picker, &QColorDialog::colorSelected, &window, run);
            break;
        }
    }
}

} // namespace inkwell
