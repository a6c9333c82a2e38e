#include "editing/pageproperties.h"

#include "editing/designview.h"
#include "editing/pagepropertiesdialog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace inkwell {

QString cssColour(const QColor& colour)
{
    return colour.isValid() ? colour.name(QColor::HexRgb) : QString();
}

QColor colourFromCss(const QString& text)
{
    const QString value = text.trimmed();
    static const QRegularExpression rgb(
        QStringLiteral(R"(^rgba?\(\s*(\d{1,3})\s*,\s*(\d{1,3})\s*,\s*(\d{1,3})\s*(,\s*[0-9.]+\s*)?\)$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (const auto match = rgb.match(value); match.hasMatch()) {
        const int r = match.captured(1).toInt(), g = match.captured(2).toInt(), b = match.captured(3).toInt();
        if (r > 255 || g > 255 || b > 255)
            return {};
        return QColor(r, g, b);
    }
    // Names and the two hexadecimal forms a page writes; Qt's own other forms (#aarrggbb, #rrrgggbbb)
    // mean something else in a page or nothing at all.
    static const QRegularExpression plain(QStringLiteral("^(#[0-9a-fA-F]{3}|#[0-9a-fA-F]{6}|[a-zA-Z]+)$"));
    if (!plain.match(value).hasMatch())
        return {};
    return QColor::fromString(value);
}

namespace pagescript {

QString read()
{
    return QStringLiteral(
        "(function(){var d=document,b=d.body,t=d.querySelector('title');"
        "return {title:t?t.textContent:'',text:b?(b.style.color||b.getAttribute('text')||''):'',"
        "background:b?(b.style.backgroundColor||b.getAttribute('bgcolor')||''):''};})()");
}

QString apply(const PageValues& values)
{
    // The values pass as JSON, a literal the script reads as it stands whatever the title holds.
    const QJsonObject object { { QStringLiteral("title"), values.title },
        { QStringLiteral("text"), cssColour(values.text) },
        { QStringLiteral("background"), cssColour(values.background) } };
    // The style attribute wins over the old body attributes, which would only mislead whoever reads
    // the markup: they go when the colour is set here.
    return QStringLiteral("(function(v){var d=document,b=d.body,t=d.querySelector('title');"
                          "if(!t){t=d.createElement('title');(d.head||d.documentElement).appendChild(t);}"
                          "if(t.textContent!==v.title)t.textContent=v.title;if(!b)return true;"
                          "function set(name,attribute,value){if(value){b.style.setProperty(name,value);}"
                          "else b.style.removeProperty(name);b.removeAttribute(attribute);}"
                          "set('color','text',v.text);set('background-color','bgcolor',v.background);"
                          "if(b.getAttribute('style')==='')b.removeAttribute('style');return true;})(%1)")
        .arg(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

} // namespace pagescript

std::optional<PageValues> pageValuesFrom(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    if (!map.contains(QStringLiteral("title")))
        return std::nullopt;
    return PageValues { map.value(QStringLiteral("title")).toString(),
        colourFromCss(map.value(QStringLiteral("text")).toString()),
        colourFromCss(map.value(QStringLiteral("background")).toString()) };
}

PageProperties::PageProperties(DesignView& view, QWidget* parent)
    : m_view(view)
    , m_parent(parent)
{
}

std::optional<PageValues> PageProperties::values()
{
    if (!m_view.engine())
        return std::nullopt;
    const auto value = m_view.engine()->evaluate(pagescript::read());
    return value ? pageValuesFrom(*value) : std::nullopt;
}

bool PageProperties::setValues(const PageValues& values)
{
    if (!m_view.engine() || this->values() == values)
        return false;
    // The title and the body's attributes lie outside what the engine's own undo records; the page
    // before and after become states of the page's history instead, as a "设计" does.
    const auto before = m_view.readPageText();
    if (!before)
        return false;
    if (!m_view.engine()->evaluate(pagescript::apply(values)))
        return false;
    const auto after = m_view.readPageText();
    if (!after)
        return false;
    const std::string file = before->file.toStdString();
    m_view.loadCarriedPage(after->file, &file);
    return true;
}

void PageProperties::edit()
{
    const auto current = values();
    if (!current)
        return;
    const auto chosen
        = m_choose ? m_choose(m_parent, *current) : PagePropertiesDialog::ask(m_parent, *current);
    if (chosen)
        (void)setValues(*chosen);
}

} // namespace inkwell
