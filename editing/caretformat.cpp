#include "editing/caretformat.h"

namespace inkwell {
namespace {

// Bold and the other formats: the engine's own answer, true only when the whole selection has it.
// Families and sizes: the computed style of every text run the selection touches, blank when they
// differ.
constexpr auto kScript = uR"js((function(){var d=document,s=getSelection();
if(!s||!s.rangeCount||!d.body)return null;
function q(n){try{return d.queryCommandState(n);}catch(e){return false;}}
var r=s.getRangeAt(0),runs=[];
function styleOf(n){var e=n.nodeType===1?n:n.parentNode;return e&&e.nodeType===1?getComputedStyle(e):null;}
if(r.collapsed)runs.push(styleOf(r.startContainer));
else{var root=r.commonAncestorContainer,w=d.createTreeWalker(root.nodeType===1?root:root.parentNode,NodeFilter.SHOW_TEXT),n,seen=0;
  while((n=w.nextNode())&&seen<2000){if(!r.intersectsNode(n)||!/\S/.test(n.data))continue;++seen;runs.push(styleOf(n));}
  if(!runs.length)runs.push(styleOf(r.startContainer));}
var family=null,px=null,mixedFamily=false,mixedSize=false;
runs.forEach(function(c){if(!c)return;if(family===null)family=c.fontFamily;else if(family!==c.fontFamily)mixedFamily=true;
  if(px===null)px=c.fontSize;else if(px!==c.fontSize)mixedSize=true;});
var size='';if(!mixedSize){try{size=d.queryCommandValue('fontSize');}catch(e){}}
return {bold:q('bold'),italic:q('italic'),underline:q('underline'),strike:q('strikeThrough'),
  sup:q('superscript'),sub:q('subscript'),left:q('justifyLeft'),center:q('justifyCenter'),right:q('justifyRight'),
  ol:q('insertOrderedList'),ul:q('insertUnorderedList'),font:mixedFamily||family===null?'':family,size:size};})())js";

} // namespace

QString caretFormatScript()
{
    return QString::fromUtf16(kScript);
}

QString firstFontFamily(const QString& list)
{
    QString first = list.section(QLatin1Char(','), 0, 0).trimmed();
    if (first.size() >= 2 && (first.front() == u'"' || first.front() == u'\'')
        && first.back() == first.front())
        first = first.mid(1, first.size() - 2);
    return first;
}

std::optional<CaretFormat> caretFormatFrom(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    if (map.isEmpty())
        return std::nullopt;
    const auto flag = [&](const char* name) { return map.value(QString::fromLatin1(name)).toBool(); };
    CaretFormat format;
    format.bold = flag("bold");
    format.italic = flag("italic");
    format.underline = flag("underline");
    format.strikeThrough = flag("strike");
    format.superscript = flag("sup");
    format.subscript = flag("sub");
    format.alignLeft = flag("left");
    format.alignCenter = flag("center");
    format.alignRight = flag("right");
    format.orderedList = flag("ol");
    format.unorderedList = flag("ul");
    format.fontName = firstFontFamily(map.value(QStringLiteral("font")).toString());
    bool ok = false;
    const int size = map.value(QStringLiteral("size")).toString().toInt(&ok);
    if (ok && size >= 1 && size <= 7)
        format.fontSize = size;
    return format;
}

} // namespace inkwell
