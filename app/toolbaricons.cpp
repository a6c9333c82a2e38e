#include "app/toolbaricons.h"

#include <QDir>

// The drawings are compiled into this static library; a library's resources must be registered by hand.
static void registerToolbarDrawings()
{
    Q_INIT_RESOURCE(icons);
}

namespace inkwell {

void useToolbarIconTheme()
{
    registerToolbarDrawings();
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    if (QDir(QStringLiteral("/usr/share/icons/breeze")).exists())
        QIcon::setThemeName(QStringLiteral("breeze"));
}

QIcon toolbarIcon(const QString& icon)
{
    if (icon.startsWith(QLatin1Char(':')))
        return QIcon(icon);
    return QIcon::fromTheme(icon);
}

} // namespace inkwell
