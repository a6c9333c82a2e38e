#include "editing/blockformat.h"

#include "editing/designview.h"
#include "editing/pageproperties.h"

#include <QKeySequence>
#include <QMenu>

namespace inkwell {
namespace {

// The keys work in the page itself, where the engine gives them to nobody else; a key pressed while
// an input method composes belongs to the input method.
constexpr auto kKeys = uR"js((function(){var d=document;
if(!d.__inkwellBlockKeys){d.__inkwellBlockKeys=true;
  d.addEventListener('keydown',function(e){
    if(!e.ctrlKey||e.altKey||e.metaKey||e.shiftKey||e.isComposing)return;
    var m=/^(Digit|Numpad)([0-6])$/.exec(e.code);if(!m)return;
    var s=getSelection();if(!s||!s.rangeCount||!d.body||!d.body.isContentEditable)return;
    e.preventDefault();
    Document.prototype.execCommand.call(d,'formatBlock',false,m[2]==='0'?'p':'h'+m[2]);},true);}
return true;})())js";

struct Entry
{
    BlockFormat format;
    const char16_t* text;
};

constexpr Entry kEntries[] = {
    { BlockFormat::Body, u"正文" },
    { BlockFormat::Heading1, u"标题 1" },
    { BlockFormat::Heading2, u"标题 2" },
    { BlockFormat::Heading3, u"标题 3" },
    { BlockFormat::Heading4, u"标题 4" },
    { BlockFormat::Heading5, u"标题 5" },
    { BlockFormat::Heading6, u"标题 6" },
    { BlockFormat::Quote, u"引用" },
    { BlockFormat::Preformatted, u"预格式文本" },
};

} // namespace

QString blockElement(BlockFormat format)
{
    switch (format) {
    case BlockFormat::Body:
        return QStringLiteral("p");
    case BlockFormat::Heading1:
    case BlockFormat::Heading2:
    case BlockFormat::Heading3:
    case BlockFormat::Heading4:
    case BlockFormat::Heading5:
    case BlockFormat::Heading6:
        return QStringLiteral("h%1").arg(int(format) - int(BlockFormat::Heading1) + 1);
    case BlockFormat::Quote:
        return QStringLiteral("blockquote");
    case BlockFormat::Preformatted:
        return QStringLiteral("pre");
    }
    return QStringLiteral("p");
}

std::optional<int> blockKeyDigit(BlockFormat format)
{
    if (format == BlockFormat::Body)
        return 0;
    if (format >= BlockFormat::Heading1 && format <= BlockFormat::Heading6)
        return int(format) - int(BlockFormat::Heading1) + 1;
    return std::nullopt;
}

namespace blockformatscript {

QString afterLoad()
{
    return QString::fromUtf16(kKeys);
}

QString apply(BlockFormat format)
{
    return QStringLiteral("(function(){var d=document,s=getSelection();"
                          "if(!s||!s.rangeCount||!d.body||!d.body.isContentEditable)return false;"
                          "return Document.prototype.execCommand.call(d,'formatBlock',false,'%1');})()")
        .arg(blockElement(format));
}

} // namespace blockformatscript

void applyBlockFormat(DesignView& view, BlockFormat format)
{
    if (view.engine())
        (void)view.engine()->evaluate(blockformatscript::apply(format));
}

MenuSection paragraphAndPageSection(
    DesignView& view, PageProperties& page, std::function<void(const std::function<void()>&)> run)
{
    return [&view, &page, run = std::move(run)](QMenu& menu, const MenuTarget&) {
        const auto runCommand = [run](const std::function<void()>& command) {
            if (run)
                run(command);
            else
                command();
        };
        QMenu* formats = menu.addMenu(QStringLiteral("段落格式"));
        for (const Entry& entry : kEntries) {
            QAction* action = formats->addAction(QString::fromUtf16(entry.text));
            // Shown beside the entry; the page itself answers the key (see afterLoad).
            if (const auto digit = blockKeyDigit(entry.format))
                action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + *digit)));
            action->setShortcutContext(Qt::WidgetShortcut);
            QObject::connect(action, &QAction::triggered, &menu, [&view, runCommand, format = entry.format] {
                runCommand([&] { applyBlockFormat(view, format); });
            });
        }
        QObject::connect(menu.addAction(QStringLiteral("页面属性…")), &QAction::triggered, &menu,
            [&page, runCommand] { runCommand([&] { page.edit(); }); });
    };
}

} // namespace inkwell
