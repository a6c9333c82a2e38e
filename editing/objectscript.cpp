#include "editing/objectscript.h"

namespace inkwell::objectscript {
namespace {

constexpr auto kAfterLoad = uR"js((function(){
var d=document,old=window.__inkwellObjects;
if(old&&old.host&&old.host.parentNode)old.host.parentNode.removeChild(old.host);
var O=window.__inkwellObjects={host:null,shadow:null,picture:null,link:null,made:[],before:null,drag:null};
function range(){var s=getSelection();return s&&s.rangeCount?s.getRangeAt(0):null;}
function select(r){var s=getSelection();s.removeAllRanges();s.addRange(r);}
function inBody(n){return !!n&&!!d.body&&n!==d.body&&d.body.contains(n);}

// The handles' own element is no edit of the page: the records of its coming and going are taken from
// the watchers before they see them, and what else they hold goes on to them.
function ours(r){if(!O.host)return false;if(r.target===O.host)return true;if(r.type!=='childList')return false;
  var nodes=Array.prototype.slice.call(r.addedNodes).concat(Array.prototype.slice.call(r.removedNodes));
  return nodes.length>0&&nodes.every(function(n){return n===O.host;});}
function quiet(){var w=window.__inkwellWatch,e=window.__inkwellEditing;
  if(w){var a=w.observer.takeRecords().filter(function(r){return !ours(r);});if(a.length)w.changed=true;}
  if(e&&e.record){var b=e.observer.takeRecords().filter(function(r){return !ours(r);});if(b.length)e.record(b);}}

function shadow(){if(!O.host){O.host=d.createElement('div');O.host.setAttribute('contenteditable','false');
    O.host.style.cssText='position:absolute;left:0;top:0;width:0;height:0;margin:0;padding:0;border:0;'+
      'overflow:visible;pointer-events:none;z-index:2147483647;';
    O.shadow=O.host.attachShadow({mode:'closed'});
    O.shadow.innerHTML='<style>div{position:absolute;box-sizing:border-box;pointer-events:none;display:none}'+
      '#f{border:1px dashed #1c71d8}.h{width:7px;height:7px;background:#fff;border:1px solid #1c71d8}</style>'+
      '<div id="f"></div><div class="h"></div><div class="h"></div><div class="h"></div><div class="h"></div>';}
  if(O.host.parentNode!==d.documentElement&&d.documentElement){d.documentElement.appendChild(O.host);quiet();}
  return O.shadow;}
// Corners in the order top left, top right, bottom left, bottom right.
function corners(r){return [[r.left,r.top],[r.right,r.top],[r.left,r.bottom],[r.right,r.bottom]];}
function draw(r){var s=shadow(),x=scrollX,y=scrollY,hs=s.querySelectorAll('.h');
  s.getElementById('f').style.cssText='display:block;left:'+(r.left+x)+'px;top:'+(r.top+y)+'px;width:'+r.width+
    'px;height:'+r.height+'px';
  corners(r).forEach(function(c,i){hs[i].style.cssText='display:block;left:'+(c[0]+x-3.5)+'px;top:'+(c[1]+y-3.5)+'px';});}
function hide(){if(O.shadow)Array.prototype.forEach.call(O.shadow.querySelectorAll('div'),function(e){e.style.display='none';});}
function show(){if(O.picture&&inBody(O.picture))draw(O.picture.getBoundingClientRect());else{O.picture=null;hide();}}

// A picture selected alone: the selection is a range around one image.
function selectedPicture(){var r=range();if(!r||r.startContainer!==r.endContainer||r.endOffset!==r.startOffset+1)return null;
  var n=r.startContainer.childNodes[r.startOffset];return n&&n.nodeName==='IMG'&&inBody(n)?n:null;}
function selectPicture(img){var r=d.createRange();r.selectNode(img);select(r);O.picture=img;show();}
O.selectedPicture=selectedPicture;

// One step of the engine's undo: the element's copy with the changes replaces it.
function replace(el,changes){if(!inBody(el))return null;var c=el.cloneNode(true);
  changes.forEach(function(a){if(a[1]===null)c.removeAttribute(a[0]);else c.setAttribute(a[0],a[1]);});
  c.setAttribute('data-inkwell-new','');var r=d.createRange();r.selectNode(el);select(r);
  d.execCommand('insertHTML',false,c.outerHTML);
  var made=d.querySelector('[data-inkwell-new]');if(made)made.removeAttribute('data-inkwell-new');return made;}

function linkOf(n){for(;n&&n!==d;n=n.parentNode)if(n.nodeName==='A'&&n.hasAttribute('href'))return inBody(n)?n:null;return null;}
O.target=function(x,y){var e=d.elementFromPoint(x,y),r=range();O.made=[];O.link=linkOf(e);
  var picture=e&&e.nodeName==='IMG'&&inBody(e);if(picture)selectPicture(e);r=range();
  return [!!r&&!r.collapsed,!!O.link,!!picture,!!(e&&e.closest&&inBody(e)&&e.closest('td,th'))];};
O.linkAt=function(x,y){O.made=[];O.link=linkOf(d.elementFromPoint(x,y));return !!O.link;};
O.linkAtCaret=function(){var r=range();O.made=[];O.link=null;if(!r)return false;O.link=linkOf(r.startContainer);
  if(!O.link&&r.startContainer.nodeType===1){var c=r.startContainer.childNodes[r.startOffset];
    if(c&&c.nodeType===1)O.link=c.nodeName==='A'?linkOf(c):linkOf(c.querySelector('a[href]'));}
  return !!O.link;};
O.beforeLink=function(){O.before=new Set(d.querySelectorAll('a'));O.made=[];var r=range();return !!r&&!r.collapsed;};
O.afterLink=function(){var before=O.before||new Set();O.before=null;
  O.made=Array.prototype.filter.call(d.querySelectorAll('a[href]'),function(a){return !before.has(a)&&inBody(a);});
  O.link=O.made[0]||null;return O.made.length;};
O.linkFields=function(){var a=O.link;if(!inBody(a))return null;
  return [a.getAttribute('href')||'',a.getAttribute('title')||'',a.getAttribute('target')||''];};
O.setLink=function(changes){var list=O.made.length?O.made:(O.link?[O.link]:[]),out=[];
  list.forEach(function(a){var m=replace(a,changes);if(m)out.push(m);});
  O.made=out.length>1?out:[];O.link=out[0]||null;
  if(out.length){var r=d.createRange();r.setStartAfter(out[out.length-1]);r.collapse(true);select(r);}
  return out.length;};
O.unlink=function(){var a=O.link;if(!inBody(a))return false;var r=d.createRange();r.selectNode(a);select(r);
  O.link=null;return d.execCommand('unlink');};
O.pictureFields=function(){var p=inBody(O.picture)?O.picture:selectedPicture();if(!p)return null;O.picture=p;
  var r=p.getBoundingClientRect();
  return [p.getAttribute('src')||'',p.getAttribute('alt')||'',Math.round(r.width),Math.round(r.height),p.naturalWidth,p.naturalHeight];};
O.setPicture=function(changes){var m=replace(O.picture,changes);if(m)selectPicture(m);return !!m;};
O.aside=function(){if(O.host&&O.host.parentNode){O.host.parentNode.removeChild(O.host);quiet();}return true;};
O.back=function(){if(O.picture)show();return true;};

// Dragging a corner handle: the dashed frame shows the new size while the button is held, and the
// release gives the picture its width and height. The corner across stays; Shift lets the sides go
// their own ways, otherwise the side dragged the more (for its length) decides.
O.cornerAt=function(x,y){if(!inBody(O.picture))return -1;var cs=corners(O.picture.getBoundingClientRect());
  for(var i=0;i<4;++i)if(Math.abs(cs[i][0]-x)<=6&&Math.abs(cs[i][1]-y)<=6)return i;return -1;};
function dragged(g,x,y,keep){var dx=(g.corner%2===1?1:-1)*(x-g.x),dy=(g.corner>=2?1:-1)*(y-g.y);
  var w=Math.max(1,Math.round(g.w+dx)),h=Math.max(1,Math.round(g.h+dy));
  if(keep&&g.w>0&&g.h>0){if(Math.abs(dx)*g.h>=Math.abs(dy)*g.w)h=Math.max(1,Math.round(w*g.h/g.w));
    else w=Math.max(1,Math.round(h*g.w/g.h));}
  return {w:w,h:h};}
O.press=function(e){if(e.button!==0)return;var i=O.cornerAt(e.clientX,e.clientY);if(i<0)return;
  e.preventDefault();e.stopImmediatePropagation();var r=O.picture.getBoundingClientRect();
  O.drag={corner:i,x:e.clientX,y:e.clientY,w:Math.round(r.width),h:Math.round(r.height),rect:r,size:null};};
O.move=function(e){var g=O.drag;if(!g)return;e.preventDefault();e.stopImmediatePropagation();
  var s=g.size=dragged(g,e.clientX,e.clientY,!e.shiftKey),r=g.rect;
  draw({left:g.corner%2===0?r.right-s.w:r.left,top:g.corner<2?r.bottom-s.h:r.top,width:s.w,height:s.h});};
O.release=function(e){var g=O.drag;if(!g)return;O.drag=null;e.preventDefault();e.stopImmediatePropagation();
  g.size=dragged(g,e.clientX,e.clientY,!e.shiftKey);
  if(g.size&&(g.size.w!==g.w||g.size.h!==g.h)&&O.setPicture([['width',String(g.size.w)],['height',String(g.size.h)]]))return;
  show();};

// Listened to once per document; each run of this script brings a new record to tell.
O.click=function(e){if(e.button===0&&e.target&&e.target.nodeName==='IMG'&&inBody(e.target))selectPicture(e.target);};
O.selection=function(){if(O.drag)return;O.picture=selectedPicture();show();};
O.layout=function(){if(!O.drag)show();};
if(!window.__inkwellObjectsListening){window.__inkwellObjectsListening=true;
  var on=function(name){return function(e){var o=window.__inkwellObjects;if(o)o[name](e);};};
  d.addEventListener('mousedown',on('press'),true);
  d.addEventListener('mousemove',on('move'),true);
  d.addEventListener('mouseup',on('release'),true);
  d.addEventListener('click',on('click'),true);
  d.addEventListener('selectionchange',on('selection'));
  d.addEventListener('input',on('layout'));
  d.addEventListener('load',on('layout'),true);
  window.addEventListener('resize',on('layout'));}
return true;})())js";

} // namespace

QString afterLoad()
{
    return QString::fromUtf16(kAfterLoad);
}

QString call(const char* function, const QString& arguments)
{
    return QStringLiteral("(window.__inkwellObjects?window.__inkwellObjects.%1(%2):null)")
        .arg(QString::fromLatin1(function), arguments);
}

} // namespace inkwell::objectscript
