#include "app/toolbaricons.h"

#include <QDir>
#include <QHash>

// The drawings are compiled into this static library; a library's resources must be registered by hand.
static void registerToolbarDrawings()
{
    Q_INIT_RESOURCE(icons);
}

namespace inkwell {

void UseToolbarIconTheme()
{
    registerToolbarDrawings();
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    if (QDir(QStringLiteral("/usr/share/icons/breeze")).exists())
        QIcon::setThemeName(QStringLiteral("breeze"));
}

QIcon ToolbarIcon(const QString& controlName)
{
    // A theme name, or a resource path of our own drawings starting with ":".
    static const QHash<QString, QString> names = {
        { QStringLiteral("超级按钮_新建"), QStringLiteral("document-new") },
        { QStringLiteral("超级按钮_打开"), QStringLiteral("document-open") },
        { QStringLiteral("超级按钮_保存"), QStringLiteral("document-save") },
        { QStringLiteral("超级按钮_插入图片"), QStringLiteral("insert-image") },
        { QStringLiteral("超级按钮_分割线"), QStringLiteral("insert-horizontal-rule") },
        { QStringLiteral("超级按钮_表格"), QStringLiteral("insert-table") },
        { QStringLiteral("超级按钮_有序排列"), QStringLiteral("format-list-ordered") },
        { QStringLiteral("超级按钮_无序排列"), QStringLiteral("format-list-unordered") },
        { QStringLiteral("超级按钮_设计"), QStringLiteral("view-preview") },
        { QStringLiteral("超级按钮_加粗"), QStringLiteral("format-text-bold") },
        { QStringLiteral("超级按钮_斜体"), QStringLiteral("format-text-italic") },
        { QStringLiteral("超级按钮_删除线"), QStringLiteral("format-text-strikethrough") },
        { QStringLiteral("超级按钮_下划线"), QStringLiteral("format-text-underline") },
        { QStringLiteral("超级按钮_上标"), QStringLiteral("format-text-superscript") },
        { QStringLiteral("超级按钮_下标"), QStringLiteral("format-text-subscript") },
        { QStringLiteral("超级按钮_字体颜色"), QStringLiteral("format-text-color") },
        { QStringLiteral("超级按钮_背景颜色"), QStringLiteral("format-fill-color") },
        { QStringLiteral("超级按钮_超级链接"), QStringLiteral("insert-link") },
        { QStringLiteral("超级按钮_左对齐"), QStringLiteral("format-justify-left") },
        { QStringLiteral("超级按钮_居中对齐"), QStringLiteral("format-justify-center") },
        { QStringLiteral("超级按钮_右对齐"), QStringLiteral("format-justify-right") },
        { QStringLiteral("超级按钮_代码"), QStringLiteral("format-text-code") },
        { QStringLiteral("超级按钮_另存为"), QStringLiteral("document-export") },
        { QStringLiteral("超级按钮_分组框"), QStringLiteral(":/icons/field-set.svg") },
        { QStringLiteral("超级按钮_按钮"), QStringLiteral("insert-button") },
        { QStringLiteral("超级按钮_复选框"), QStringLiteral("checkbox") },
        { QStringLiteral("超级按钮_单选框"), QStringLiteral(":/icons/radio-button.svg") },
        { QStringLiteral("超级按钮_文本框"), QStringLiteral("text-field") },
        { QStringLiteral("超级按钮_多行文本框"), QStringLiteral(":/icons/text-area.svg") },
        { QStringLiteral("超级按钮_截图"), QStringLiteral("transform-crop") },
        { QStringLiteral("超级按钮_全截图"), QStringLiteral("view-fullscreen") },
    };
    const QString name = names.value(controlName);
    if (name.isEmpty())
        return {};
    if (name.startsWith(QLatin1Char(':')))
        return QIcon(name);
    return QIcon::fromTheme(name);
}

} // namespace inkwell
