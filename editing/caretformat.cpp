#include "editing/caretformat.h"

namespace inkwell {
namespace {

// Every format, family and size from the computed style of the text runs the selection touches
// (a couple of thousand at most): a format counts when every run has it, a family or size is blank when
// the runs differ.
constexpr auto kScript = uR"js((function(){var d=document,s=getSelection();
if(!s||!s.rangeCount||!d.body)return null;
function q(n){try{return d.queryCommandState(n);}catch(e){return false;}}
var r=s.getRangeAt(0),runs=[];
function elementOf(n){var e=n.nodeType===1?n:n.parentNode;return e&&e.nodeType===1?e:null;}
if(r.collapsed){var at=elementOf(r.startContainer);if(at)runs.push(at);}
else{var root=r.commonAncestorContainer,w=d.createTreeWalker(root.nodeType===1?root:root.parentNode,NodeFilter.SHOW_TEXT);
  // The last text of the selection, found once: asking the range whether each node lies in it costs
  // a walk over the siblings of every node on a page of megabytes.
  var end=r.endContainer,last=null;
  if(end.nodeType===3)last=end;else{var back=d.createTreeWalker(d.body,NodeFilter.SHOW_TEXT),after=end.childNodes[r.endOffset];
    if(after){back.currentNode=after;last=back.previousNode();}else{back.currentNode=end;last=back.lastChild()||back.previousNode();}}
  var first=r.startContainer;if(first.nodeType===1)first=first.childNodes[r.startOffset]||first;
  w.currentNode=first;var n=first.nodeType===3?first:w.nextNode(),seen=0;
  for(;n&&seen<2000;n=w.nextNode()){if(/\S/.test(n.data)){++seen;var e=elementOf(n);if(e)runs.push(e);}if(n===last)break;}
  if(!runs.length){var e0=elementOf(r.startContainer);if(e0)runs.push(e0);}}
// What a run's element and its ancestors give it: lines and raised or lowered text are not inherited
// by the computed style, so they are looked up the ancestors, each element once.
var lines=new Map();
function own(e){var c=lines.get(e);if(c)return c;var st=getComputedStyle(e),p=e.parentNode;
  var up=p&&p.nodeType===1&&e!==d.body?own(p):{u:false,s:false,sup:false,sub:false};
  var line=st.textDecorationLine||'';c={u:up.u||/underline/.test(line),s:up.s||/line-through/.test(line),
    sup:up.sup||st.verticalAlign==='super',sub:up.sub||st.verticalAlign==='sub'};lines.set(e,c);return c;}
function list(e){var li=e.closest('li');return li&&li.parentNode?li.parentNode.localName:'';}
var all={bold:true,italic:true,u:true,s:true,sup:true,sub:true,left:true,center:true,right:true,ol:true,ul:true},family=null,px=null,mixedFamily=false,mixedSize=false;
runs.forEach(function(e){var st=getComputedStyle(e),o=own(e),a=st.textAlign,l=list(e);
  if(family===null)family=st.fontFamily;else if(family!==st.fontFamily)mixedFamily=true;
  if(px===null)px=st.fontSize;else if(px!==st.fontSize)mixedSize=true;
  all.bold=all.bold&&(parseInt(st.fontWeight,10)>=600);all.italic=all.italic&&/italic|oblique/.test(st.fontStyle);
  all.u=all.u&&o.u;all.s=all.s&&o.s;all.sup=all.sup&&o.sup;all.sub=all.sub&&o.sub;
  all.left=all.left&&/^(left|start|-webkit-left)$/.test(a);all.center=all.center&&/center/.test(a);all.right=all.right&&/^(right|end|-webkit-right)$/.test(a);
  all.ol=all.ol&&l==='ol';all.ul=all.ul&&l==='ul';});
if(!runs.length)Object.keys(all).forEach(function(k){all[k]=false;});
// A caret's formats include those given for the next typed text, which only the engine knows; it
// answers quickly for a caret, slowly for a long selection.
if(r.collapsed){all.bold=q('bold');all.italic=q('italic');all.u=q('underline');all.s=q('strikeThrough');
  all.sup=q('superscript');all.sub=q('subscript');}
// The size box counts the engine's seven sizes: the one nearest the text's pixels.
var size='';if(!mixedSize&&px){var v=parseFloat(px),sizes=[10,13,16,18,24,32,48],best=0;
  for(var i=1;i<sizes.length;++i)if(Math.abs(sizes[i]-v)<Math.abs(sizes[best]-v))best=i;size=String(best+1);}
if(r.collapsed){try{size=d.queryCommandValue('fontSize')||size;}catch(x){}}
return {bold:all.bold,italic:all.italic,underline:all.u,strike:all.s,sup:all.sup,sub:all.sub,
  left:all.left,center:all.center,right:all.right,ol:all.ol,ul:all.ul,font:mixedFamily||family===null?'':family,size:size};})())js";

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
