#include "editing/designmenu.h"

#include "editing/designview.h"
#include "editing/insertedobjects.h"
#include "editing/objectscript.h"

#include <QKeySequence>
#include <QMenu>
#include <QWidget>
#include <utility>

namespace inkwell {
namespace {

// An entry's caption with its key in the menu's key column.
QString withKey(const char* caption, const QKeySequence& key)
{
    return QString::fromUtf8(caption) + QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
}

const QKeySequence kLinkKey(Qt::CTRL | Qt::Key_K);

} // namespace

DesignMenu::DesignMenu(DesignView& designView, InsertedObjects& objects, QWidget* view, Hooks hooks)
    : m_designView(designView)
    , m_objects(objects)
    , m_view(view)
    , m_hooks(std::move(hooks))
{
    if (BrowserEngine* engine = m_designView.engine()) {
        engine->setContextMenuHandler([this](const PagePoint& at) { open(at); });
        engine->setDoubleClickHandler([this](const PagePoint& at) {
            m_hooks.edit([this, at] { (void)m_objects.editLinkAt(at.page); });
        });
        // The link key works wherever the caret is in the page.
        engine->setKeyHandler(
            { kLinkKey }, [this](const QKeySequence&) { m_hooks.edit([this] { m_objects.linkAtCaret(); }); });
    }
}

DesignMenu::~DesignMenu()
{
    if (BrowserEngine* engine = m_designView.engine()) {
        engine->setContextMenuHandler(nullptr);
        engine->setDoubleClickHandler(nullptr);
        engine->setKeyHandler({}, nullptr);
    }
}

void DesignMenu::addSection(MenuSection section)
{
    m_sections.push_back(std::move(section));
}

MenuTarget DesignMenu::targetAt(QPointF point)
{
    MenuTarget target;
    BrowserEngine* engine = m_designView.engine();
    if (!engine)
        return target;
    const auto value = engine->evaluate(
        objectscript::call("target", QStringLiteral("%1,%2").arg(point.x()).arg(point.y())));
    const QVariantList found = value ? value->toList() : QVariantList();
    if (found.size() != 4)
        return target;
    target.hasSelection = found[0].toBool();
    target.onLink = found[1].toBool();
    target.onPicture = found[2].toBool();
    target.inTable = found[3].toBool();
    return target;
}

void DesignMenu::addOwnEntries(QMenu& menu, const MenuTarget& target)
{
    // An entry only records that it was chosen; it runs once the menu's own loop is over, since its
    // dialogs and waits for the engine must not run inside it.
    const auto add = [this, &menu](const QString& caption, std::function<void()> run) {
        QAction* action = menu.addAction(caption);
        QObject::connect(
            action, &QAction::triggered, &menu, [this, run = std::move(run)] { m_chosen = run; });
        return action;
    };
    add(withKey("撤销", QKeySequence::Undo), [this] { m_hooks.history(HistoryDirection::Back); });
    add(withKey("重做", QKeySequence(Qt::CTRL | Qt::Key_Y)),
        [this] { m_hooks.history(HistoryDirection::Forward); });
    menu.addSeparator();

    // The clipboard entries act as their keys do; a paste asks the window's paste handling first
    // (pictures go into the document folder).
    const auto clipboard = [this](EditAction action) {
        return [this, action] {
            if (BrowserEngine* engine = m_designView.engine())
                engine->runEditAction(action);
        };
    };
    add(withKey("剪切", QKeySequence::Cut), clipboard(EditAction::Cut))->setEnabled(target.hasSelection);
    add(withKey("复制", QKeySequence::Copy), clipboard(EditAction::Copy))->setEnabled(target.hasSelection);
    add(withKey("粘贴", QKeySequence::Paste), clipboard(EditAction::Paste));
    add(withKey("粘贴为纯文本", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)),
        clipboard(EditAction::PasteAsPlainText));
    menu.addSeparator();

    const auto edit = [this](void (InsertedObjects::*command)()) {
        return [this, command] { m_hooks.edit([this, command] { (m_objects.*command)(); }); };
    };
    if (target.onLink) {
        add(withKey("编辑链接…", kLinkKey), edit(&InsertedObjects::editFoundLink));
        add(QStringLiteral("取消链接"), edit(&InsertedObjects::removeFoundLink));
    } else {
        add(withKey("插入链接…", kLinkKey), edit(&InsertedObjects::insertLink));
    }
    if (target.onPicture) {
        menu.addSeparator();
        add(QStringLiteral("图片属性…"), edit(&InsertedObjects::editPicture));
        add(QStringLiteral("更换图片…"), edit(&InsertedObjects::replacePicture));
    }
}

void DesignMenu::fill(QMenu& menu, const MenuTarget& target)
{
    addOwnEntries(menu, target);
    for (const MenuSection& section : m_sections) {
        // A group that adds nothing leaves no separator behind.
        QAction* separator = menu.addSeparator();
        const auto before = menu.actions().size();
        section(menu, target);
        if (menu.actions().size() == before)
            menu.removeAction(separator);
    }
}

void DesignMenu::open(const PagePoint& at)
{
    const MenuTarget target = targetAt(at.page);
    QMenu menu(m_view);
    menu.setObjectName(QStringLiteral("设计视图菜单"));
    m_chosen = nullptr;
    fill(menu, target);
    (void)menu.exec(at.global);
    if (const auto chosen = std::exchange(m_chosen, nullptr))
        chosen();
}

} // namespace inkwell
