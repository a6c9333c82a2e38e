#include "editing/editingscript.h"

namespace inkwell::editingscript {
namespace {

// Kept in window.__inkwellEditing of our own script world, where the page's scripts cannot reach it:
//   made     nodes an edit added (their whole subtree counts as made),
//   touched  nodes whose text or attributes an edit changed,
//   edits    how many changes were recorded (none: the page is as it was loaded),
//   copy()   a cleaned copy of the root element, or null when nothing was edited.
// Undo puts back nodes an edit removed; they count as made again, which only means that the rules
// below may apply to them once more.
constexpr auto kAfterLoad = uR"js((function(){
var d=document,old=window.__inkwellEditing;
if(old)old.observer.disconnect();
var exec=Document.prototype.execCommand;
function command(name,value){return exec.call(d,name,false,value);}
command('defaultParagraphSeparator','p');
command('styleWithCSS',false);

var E=window.__inkwellEditing={made:new WeakSet(),touched:new WeakSet(),edits:0};
function record(records){for(var i=0;i<records.length;++i){var r=records[i];
  if(r.type==='childList')for(var j=0;j<r.addedNodes.length;++j)E.made.add(r.addedNodes[j]);
  else E.touched.add(r.target);
  ++E.edits;}}
E.observer=new MutationObserver(record);
E.record=record;
E.observer.observe(d,{subtree:true,childList:true,attributes:true,characterData:true});

var BLOCK=/^(ADDRESS|ARTICLE|ASIDE|BLOCKQUOTE|BODY|CAPTION|CENTER|DD|DETAILS|DIR|DIV|DL|DT|FIELDSET|FIGCAPTION|FIGURE|FOOTER|FORM|H[1-6]|HEADER|HR|LEGEND|LI|MAIN|MENU|NAV|OL|P|PRE|SECTION|TABLE|TBODY|TD|TFOOT|TH|THEAD|TR|UL)$/;
var FORMAT=/^(A|ABBR|B|BIG|CITE|CODE|DEL|EM|FONT|I|INS|KBD|MARK|Q|S|SMALL|SPAN|STRIKE|STRONG|SUB|SUP|TT|U)$/;
var MERGEABLE=/^(B|BIG|CODE|DEL|EM|FONT|I|INS|MARK|S|SMALL|SPAN|STRIKE|STRONG|SUB|SUP|TT|U)$/;
var VISIBLE='img,input,textarea,select,button,iframe,object,embed,video,audio,canvas,svg,hr';
function isBlock(n){return n&&n.nodeType===1&&BLOCK.test(n.tagName);}
function blockOf(n){for(;n;n=n.parentNode)if(isBlock(n))return n;return null;}
function blank(n){return n.nodeType===3&&!/[^ \t\n\r\f]/.test(n.data);}

// A paragraph for the caret when it stands in the body itself: typing, Enter or a paste there would
// leave loose text in the body, beside the paragraphs the engine makes.
E.ensureParagraph=function(){
  var s=getSelection();if(!s||!s.rangeCount||!d.body||!d.body.isContentEditable)return false;
  var r=s.getRangeAt(0);if(blockOf(r.startContainer)!==d.body)return false;
  return command('formatBlock','p');};

// Joining or splitting paragraphs makes the engine wrap the moved text in a span that copies the
// computed style of where it came from. Such a span is known by a style that was nowhere around the
// edit before it; spans the page had (and the background colour the toolbar gives) keep theirs.
var around=null;
function neighbourhood(){var s=getSelection(),out=[];if(!s||!s.rangeCount||!d.body)return out;
  var r=s.getRangeAt(0);[r.startContainer,r.endContainer].forEach(function(n){
    while(n&&n.parentNode&&n.parentNode!==d.body)n=n.parentNode;
    if(!n||n.parentNode!==d.body)return;
    [n.previousSibling,n,n.nextSibling].forEach(function(m){if(m&&m.nodeType===1&&out.indexOf(m)<0)out.push(m);});});
  return out;}
var JOINS=/^(delete|insertParagraph|insertLineBreak)/;
E.before=function(e){
  around=null;
  if(/^(insertText|insertParagraph|insertLineBreak|insertFromPaste|insertReplacementText)$/.test(e.inputType))
    E.ensureParagraph();
  if(JOINS.test(e.inputType)){around=new Set();neighbourhood().forEach(function(n){
    if(n.matches('span[style]'))around.add(n.style.cssText);
    n.querySelectorAll('span[style]').forEach(function(s){around.add(s.style.cssText);});});}
};
// What comes from another page carries the computed style of every piece it was copied from (its fonts,
// sizes and colours); only the formats a person gives text stay.
var OWN=/^(font-weight|font-style|text-decoration|text-decoration-line|vertical-align|text-align)$/;
function keepOwnFormats(records){records.forEach(function(r){for(var j=0;j<r.addedNodes.length;++j){var n=r.addedNodes[j];
  if(n.nodeType!==1||!n.isConnected)continue;
  var styled=Array.prototype.slice.call(n.querySelectorAll('[style]'));if(n.hasAttribute('style'))styled.push(n);
  styled.forEach(function(s){var keep=[];for(var i=0;i<s.style.length;++i){var name=s.style[i],value=s.style.getPropertyValue(name);
      if(OWN.test(name)&&!/^(normal|none|baseline|start|auto|initial|inherit|400)$/.test(value))keep.push(name+': '+value+';');}
    if(keep.length)s.setAttribute('style',keep.join(' '));else s.removeAttribute('style');});}});
  record(E.observer.takeRecords());}
E.after=function(e){
  var records=E.observer.takeRecords();record(records);
  var known=around;around=null;
  if(/^insertFrom(Paste|Drop)$/.test(e.inputType)){keepOwnFormats(records);return;}
  if(!known||!JOINS.test(e.inputType))return;
  records.forEach(function(r){for(var j=0;j<r.addedNodes.length;++j){var n=r.addedNodes[j];
    if(n.nodeType!==1||!n.isConnected)continue;
    var spans=Array.prototype.slice.call(n.querySelectorAll('span[style]'));if(n.matches('span[style]'))spans.push(n);
    spans.forEach(function(s){if(!known.has(s.style.cssText))s.removeAttribute('style');});}});
  record(E.observer.takeRecords());
};
// Listened to once per document; each run of this script brings a new record to tell.
if(!window.__inkwellListening){window.__inkwellListening=true;
  d.addEventListener('beforeinput',function(e){window.__inkwellEditing.before(e);},true);
  d.addEventListener('input',function(e){window.__inkwellEditing.after(e);},true);}

// The formats an inline element gives its text, each with its value.
function formats(e){var f={},n=e.tagName;
  if(n==='B'||n==='STRONG')f.bold=1;if(n==='I'||n==='EM')f.italic=1;if(n==='U')f.underline=1;
  if(n==='S'||n==='STRIKE')f.strike=1;if(n==='SUB')f.sub=1;if(n==='SUP')f.sup=1;
  if(n==='FONT'){['color','size','face'].forEach(function(a){if(e.hasAttribute(a))f[a]=e.getAttribute(a).toLowerCase();});}
  if(n==='SPAN'&&e.style.length===1&&e.style.backgroundColor)f.background=e.style.backgroundColor;
  return f;}
var TAGGED={bold:1,italic:1,underline:1,strike:1,sub:1,sup:1};
function dropFormat(e,name){if(TAGGED[name]||name==='background'){unwrap(e);return;}
  e.removeAttribute(name);if(!e.attributes.length)unwrap(e);}
function unwrap(e){var p=e.parentNode;if(!p)return;while(e.firstChild)p.insertBefore(e.firstChild,e);p.removeChild(e);}
function sameAttributes(a,b){if(a.attributes.length!==b.attributes.length)return false;
  for(var i=0;i<a.attributes.length;++i){var x=a.attributes[i];if(b.getAttribute(x.name)!==x.value)return false;}return true;}

E.copy=function(){
  var root=d.documentElement;if(!root||!E.edits)return null;
  record(E.observer.takeRecords());
  var copy=root.cloneNode(true),flag=new Map(),original=new Map(),madeAbove=new Set();
  var wa=d.createTreeWalker(root,NodeFilter.SHOW_ALL),wb=d.createTreeWalker(copy,NodeFilter.SHOW_ALL);
  for(var a=wa.currentNode,b=wb.currentNode;a&&b;a=wa.nextNode(),b=wb.nextNode()){
    var fresh=E.made.has(a)||madeAbove.has(a.parentNode);
    if(fresh){madeAbove.add(a);flag.set(b,1);}else if(E.touched.has(a))flag.set(b,2);
    if(fresh||E.touched.has(a))original.set(b,a);}
  if(!flag.size)return null;
  var body=copy.querySelector('body');if(!body)return copy;
  function made(n){return flag.get(n)===1;}
  // The elements an edit made or changed that match, in document order: only they are looked at, so a
  // large page with a small edit is read back quickly.
  function all(selector){var out=[];flag.forEach(function(v,n){if(n.nodeType===1&&n.matches(selector)&&body.contains(n))out.push(n);});return out;}
  function makeLike(n,from){if(flag.has(from)&&flag.get(n)!==1)flag.set(n,flag.get(from));}
  function keptAsWritten(n){for(;n&&n!==body;n=n.parentNode)if(n.nodeType===1&&/^(PRE|TEXTAREA|LISTING|XMP|PLAINTEXT|SCRIPT|STYLE)$/.test(n.tagName))return true;return false;}

  // Spans and font elements that give nothing: their style went, or they never had one.
  all('span,font').reverse().forEach(function(e){if(made(e)&&(!e.attributes.length||(e.attributes.length===1&&e.getAttribute('style')==='')))unwrap(e);});

  // A list stands on its own, not inside the paragraph (and the formats around the caret) it was made
  // from; what followed it in that paragraph goes after it.
  function shows(n){return /[^ \t\n\r\f]/.test(n.textContent)||!!n.querySelector(VISIBLE);}
  all('ul,ol').forEach(function(list){if(!made(list))return;
    var p=list.parentNode;while(p&&p!==body&&FORMAT.test(p.tagName))p=p.parentNode;
    if(!p||p===body||!/^(P|DIV)$/.test(p.tagName))return;
    var rest=d.createRange();rest.setStartAfter(list);rest.setEnd(p,p.childNodes.length);
    var after=p.cloneNode(false);makeLike(after,p);after.appendChild(rest.extractContents());
    p.parentNode.insertBefore(list,p.nextSibling);
    if(shows(after))list.parentNode.insertBefore(after,list.nextSibling);
    if(!shows(p))p.parentNode.removeChild(p);});

  // Inline elements with nothing in them, and formats around nothing but a block's only line break.
  all('*').reverse().forEach(function(e){if(!made(e)||!FORMAT.test(e.tagName)||!e.parentNode)return;
    if(/[^ \t\n\r\f]/.test(e.textContent)||e.querySelector(VISIBLE))return;
    if(e.tagName==='A'&&e.hasAttribute('name'))return;
    if(!e.querySelector('br')){e.parentNode.removeChild(e);return;}
    var block=blockOf(e);if(block&&!/[^ \t\n\r\f]/.test(block.textContent)&&!block.querySelector(VISIBLE))unwrap(e);});

  // A paragraph an edit left with nothing at all in it (not even the line break of an empty line).
  all('p').forEach(function(p){if(made(p)&&p.parentNode&&!p.firstElementChild&&!/[^ \t\n\r\f]/.test(p.textContent))p.parentNode.removeChild(p);});

  // A line break at the end of a block that holds something else: it shows nothing there.
  function lastLeaf(n,step){for(;;){var s=step?n.nextSibling:n.previousSibling;while(s&&blank(s))s=step?s.nextSibling:s.previousSibling;
    if(s){while(s.nodeType===1&&FORMAT.test(s.tagName)&&(step?s.firstChild:s.lastChild)){s=step?s.firstChild:s.lastChild;while(s&&blank(s))s=step?s.nextSibling:s.previousSibling;if(!s)break;}return s;}
    n=n.parentNode;if(!n||isBlock(n))return null;}}
  all('br').forEach(function(br){if(!made(br)||keptAsWritten(br))return;
    if(lastLeaf(br,true))return;var before=lastLeaf(br,false);if(!before||before.nodeName==='BR')return;
    var block=blockOf(br);if(!block)return;
    if(/[^ \t\n\r\f\u00a0]/.test(block.textContent)||block.querySelector(VISIBLE))br.parentNode.removeChild(br);});

  // No-break spaces only where they keep a run of blanks, or an otherwise empty block (a table cell).
  function charBeside(t,forward,block){var w=d.createTreeWalker(block,NodeFilter.SHOW_ALL);w.currentNode=t;
    for(var n=forward?w.nextNode():w.previousNode();n;n=forward?w.nextNode():w.previousNode()){
      if(n===block)return '';if(blockOf(n)!==block)return '';
      if(n.nodeType===3){if(n.data.length)return forward?n.data[0]:n.data[n.data.length-1];continue;}
      if(n.nodeType!==1)continue;if(n.tagName==='BR'||isBlock(n))return '';if(n.matches(VISIBLE))return 'x';}
    return '';}
  var texts=[];flag.forEach(function(v,t){if(t.nodeType===3&&t.data.indexOf('\u00a0')>=0&&body.contains(t)&&!keptAsWritten(t))texts.push(t);});
  texts.forEach(function(t){var block=blockOf(t.parentNode);if(!block||!/[^\s\u00a0]/.test(block.textContent))return;
    var s=t.data,out='',isBlank=function(c){return c===' '||c==='\u00a0'||c==='\t'||c==='\n'||c==='\r';};
    for(var i=0;i<s.length;++i){var c=s[i];if(c!=='\u00a0'){out+=c;continue;}
      var before=i>0?s[i-1]:charBeside(t,false,block),after=i+1<s.length?s[i+1]:charBeside(t,true,block);
      if(isBlank(before)||isBlank(after))out+=c;else if(before===''||after==='')continue;else out+=' ';}
    if(out!==s)t.data=out;});

  // Formats nested twice: the inner one alone gives its value.
  all('*').forEach(function(e){if(!MERGEABLE.test(e.tagName)||!e.parentNode)return;
    var mine=formats(e);Object.keys(mine).forEach(function(name){if(!e.parentNode)return;
      for(var a=e.parentNode;a&&a!==body&&!isBlock(a);a=a.parentNode){
        if(!FORMAT.test(a.tagName))continue;var theirs=formats(a);if(!(name in theirs))continue;
        if(!made(e)&&!made(a))return;
        if(theirs[name]===mine[name]){dropFormat(e,name);return;}
        if(a!==e.parentNode||TAGGED[name]||name==='background')return;
        // Different values, the outer element the inner one's parent: the outer splits around it.
        var front=a.cloneNode(false),back=a.cloneNode(false),middle=a.cloneNode(false);
        [front,back,middle].forEach(function(n){makeLike(n,a);});
        while(a.firstChild!==e)front.appendChild(a.firstChild);
        a.removeChild(e);while(a.firstChild)back.appendChild(a.firstChild);
        middle.removeAttribute(name);
        var parts=[];if(front.firstChild)parts.push(front);
        if(middle.attributes.length){middle.appendChild(e);parts.push(middle);}else parts.push(e);
        if(back.firstChild)parts.push(back);
        parts.forEach(function(n){a.parentNode.insertBefore(n,a);});a.parentNode.removeChild(a);return;}});});

  // Equal runs side by side become one: an edited run joins the equal run before it and takes in the
  // equal runs after it, and so do the runs that meet inside the joined one.
  function equalRun(a,b){return a&&b&&a.nodeType===1&&b.nodeType===1&&a.tagName===b.tagName&&MERGEABLE.test(a.tagName)&&sameAttributes(a,b);}
  function join(e){var prev=e.previousSibling;if(equalRun(prev,e)){var seam=e.firstChild;
      while(e.firstChild)prev.appendChild(e.firstChild);e.parentNode.removeChild(e);makeLike(prev,e);e=prev;
      if(seam&&seam.previousSibling&&equalRun(seam.previousSibling,seam))join(seam);}
    for(var next=e.nextSibling;equalRun(e,next);next=e.nextSibling){var seam2=next.firstChild;
      while(next.firstChild)e.appendChild(next.firstChild);next.parentNode.removeChild(next);
      if(seam2&&equalRun(seam2.previousSibling,seam2))join(seam2);}}
  all('*').forEach(function(e){if(MERGEABLE.test(e.tagName)&&e.parentNode&&body.contains(e))join(e);});

  // Each block an edit made on a line of its own; where the page has its own line structure it stays.
  function startsLine(n){return n&&n.nodeType===3&&/\n/.test(n.data);}
  function flowsNormally(p){var o=original.get(p)||null;if(keptAsWritten(p))return false;
    if(!o||!o.isConnected)return true;var ws=getComputedStyle(o).whiteSpace;return ws==='normal'||ws==='nowrap';}
  all('*').forEach(function(e){if(!made(e)||!isBlock(e))return;var p=e.parentNode;
    if(/^(LEGEND|CAPTION)$/.test(e.tagName))return;
    if(!p||!(isBlock(p)||p===body)||/^(TABLE|TBODY|THEAD|TFOOT|TR)$/.test(p.tagName)||!flowsNormally(p))return;
    if(!startsLine(e.previousSibling))p.insertBefore(d.createTextNode('\n'),e);
    if(!e.nextElementSibling&&!startsLine(e.nextSibling))p.insertBefore(d.createTextNode('\n'),e.nextSibling);});
  return copy;};

E.markup=function(){var c=E.copy();return c?c.outerHTML:(d.documentElement?d.documentElement.outerHTML:'');};
return true;})())js";

} // namespace

QString afterLoad()
{
    return QString::fromUtf16(kAfterLoad);
}

QString rootMarkup()
{
    // The handles of a selected picture are drawn in the document but are never part of the page: they
    // are out while it is read (see objectscript.h).
    return asideDecorations(
        QStringLiteral("(window.__inkwellEditing?window.__inkwellEditing.markup():"
                       "(document.documentElement?document.documentElement.outerHTML:''))"));
}

QString cleanedRootInto(const QString& root)
{
    return QStringLiteral(
        "var %1=(window.__inkwellEditing&&window.__inkwellEditing.copy())||document.documentElement;")
        .arg(root);
}

QString asideDecorations(const QString& read)
{
    return QStringLiteral(
        "(function(o){if(o)o.aside();var v=%1;if(o)o.back();return v;})(window.__inkwellObjects)")
        .arg(read);
}

QString ensureParagraph()
{
    return QStringLiteral("(window.__inkwellEditing?window.__inkwellEditing.ensureParagraph():false)");
}

} // namespace inkwell::editingscript
