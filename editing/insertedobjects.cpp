#include "editing/insertedobjects.h"

#include "editing/designview.h"
#include "editing/fragments.h"
#include "editing/linkdialog.h"
#include "editing/objectattributes.h"
#include "editing/objectscript.h"
#include "editing/picturedialog.h"
#include "incoming/pictureinsertion.h"

#include <QImageReader>

namespace inkwell {
namespace {

QString scriptArgument(const AttributeChanges& changes)
{
    return QString::fromStdString(scriptChanges(changes));
}

} // namespace

InsertedObjects::InsertedObjects(DesignView& view, QWidget* parent, PictureChooser choosePicture)
    : m_view(view)
    , m_parent(parent)
    , m_choosePicture(std::move(choosePicture))
{
}

bool InsertedObjects::scriptTrue(const char* function, const QString& arguments)
{
    BrowserEngine* engine = m_view.engine();
    if (!engine)
        return false;
    const auto value = engine->evaluate(objectscript::call(function, arguments));
    return value && value->toBool() && value->toInt() != 0;
}

void InsertedObjects::insertLink()
{
    BrowserEngine* engine = m_view.engine();
    if (!engine)
        return;
    const bool selection = scriptTrue("beforeLink");
    if (selection) {
        // The words stay; the link gets the fragment's address until the user gives one.
        (void)engine->execCommand(QStringLiteral("createLink"), QStringLiteral("http://"));
    } else {
        const std::string_view fragment = fragments::kLink;
        m_view.pasteHtml(QString::fromUtf8(fragment.data(), qsizetype(fragment.size())));
    }
    const auto made = engine->evaluate(objectscript::call("afterLink"));
    if (!made || made->toInt() == 0)
        return;
    editHeldLink();
}

void InsertedObjects::linkAtCaret()
{
    if (scriptTrue("linkAtCaret"))
        editHeldLink();
    else
        insertLink();
}

bool InsertedObjects::editLinkAt(QPointF point)
{
    if (!scriptTrue("linkAt", QStringLiteral("%1,%2").arg(point.x()).arg(point.y())))
        return false;
    editHeldLink();
    return true;
}

void InsertedObjects::editFoundLink()
{
    editHeldLink();
}

void InsertedObjects::removeFoundLink()
{
    (void)scriptTrue("unlink");
}

void InsertedObjects::editHeldLink()
{
    BrowserEngine* engine = m_view.engine();
    if (!engine)
        return;
    const auto value = engine->evaluate(objectscript::call("linkFields"));
    const QVariantList held = value ? value->toList() : QVariantList();
    if (held.size() != 3)
        return;
    const std::string target = held[2].toString().toStdString();
    LinkDialog dialog(
        m_parent, linkFieldsOf(held[0].toString().toStdString(), held[1].toString().toStdString(), target));
    if (dialog.exec() != QDialog::Accepted)
        return;
    (void)scriptTrue("setLink", scriptArgument(linkChanges(dialog.fields(), target)));
}

std::optional<ReplacementPicture> InsertedObjects::chooseReplacement()
{
    if (!m_choosePicture)
        return std::nullopt;
    const auto chosen = m_choosePicture();
    if (!chosen)
        return std::nullopt;
    return ReplacementPicture { pictureSource(*chosen, m_view.documentFolder()),
        QImageReader(QString::fromStdString(chosen->string())).size() };
}

void InsertedObjects::editPicture()
{
    BrowserEngine* engine = m_view.engine();
    if (!engine)
        return;
    const auto value = engine->evaluate(objectscript::call("pictureFields"));
    const QVariantList held = value ? value->toList() : QVariantList();
    if (held.size() != 6)
        return;
    const PictureDialog::Shown shown { held[0].toString().toStdString(), held[1].toString().toStdString(),
        QSize(held[2].toInt(), held[3].toInt()), QSize(held[4].toInt(), held[5].toInt()) };
    PictureDialog dialog(m_parent, shown, [this] { return chooseReplacement(); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    (void)scriptTrue("setPicture", scriptArgument(pictureChanges(dialog.fields())));
}

void InsertedObjects::replacePicture()
{
    BrowserEngine* engine = m_view.engine();
    if (!engine)
        return;
    const auto value = engine->evaluate(objectscript::call("pictureFields"));
    if (!value || value->toList().size() != 6)
        return;
    const auto chosen = chooseReplacement();
    if (!chosen)
        return;
    // The new picture shows at its own size; its other attributes (the text for it, its alignment) stay.
    const AttributeChanges changes { { "src", chosen->source }, { "width", std::nullopt },
        { "height", std::nullopt } };
    (void)scriptTrue("setPicture", scriptArgument(changes));
}

} // namespace inkwell
