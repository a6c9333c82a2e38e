#include "editing/tablecommands.h"

#include "editing/designview.h"
#include "editing/tablepropertiesdialog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QRegularExpression>

namespace inkwell {
namespace {

// Kept in window.__inkwellTables of our own script world. Cells are found by their place in a grid of
// the table's rows where a cell spanning rows or columns fills every place it covers, so that a row
// or column added beside such a cell makes it span one more instead of breaking the table's shape.
// A new cell holds a no-break space, as the table fragment's cells do: an empty cell would collapse
// and could no longer be clicked into.
constexpr auto kTables = uR"js((function(){
var d=document,exec=Document.prototype.execCommand,T=window.__inkwellTables={};
function cellOf(n){for(;n&&n!==d.body&&n!==d;n=n.parentNode)if(n.nodeType===1&&(n.tagName==='TD'||n.tagName==='TH'))return n;return null;}
function caretCell(){var s=getSelection();if(!s||!s.rangeCount)return null;var c=cellOf(s.getRangeAt(0).startContainer);return c&&c.isContentEditable?c:null;}
function tableOf(c){for(var n=c.parentNode;n;n=n.parentNode)if(n.nodeType===1&&n.tagName==='TABLE')return n;return null;}
function grid(t){var g=[],at=new Map(),rows=t.rows,r;for(r=0;r<rows.length;++r)g[r]=[];
  for(r=0;r<rows.length;++r){var c=0,cells=rows[r].cells;
    for(var k=0;k<cells.length;++k){var cell=cells[k];while(g[r][c])++c;at.set(cell,{r:r,c:c});
      var rs=Math.max(1,cell.rowSpan||1),cs=Math.max(1,cell.colSpan||1);
      for(var i=0;i<rs&&r+i<rows.length;++i)for(var j=0;j<cs;++j)g[r+i][c+j]=cell;
      c+=cs;}}
  var n=0;g.forEach(function(row){n=Math.max(n,row.length);});return {g:g,at:at,columns:n};}
function make(tag){var n=d.createElement(tag);n.innerHTML='&nbsp;';return n;}
function selectCell(cell){if(!cell)return;var r=d.createRange();r.selectNodeContents(cell);var s=getSelection();s.removeAllRanges();s.addRange(r);}
function place(cell){return cell?{r:cell.parentNode.rowIndex,k:cell.cellIndex}:null;}
// A new row above or below row m; a cell of a neighbouring row that spans across the new row's place
// grows by one instead. The new row's cell in column c comes back (or the first one).
function addRow(t,m,below,c){var x=grid(t),g=x.g,model=t.rows[m],p=below?m+1:m,tr=d.createElement('tr'),grown=new Set(),want=null;
  var tag=model.parentNode.tagName==='THEAD'?'th':'td';
  for(var col=0;col<x.columns;++col){var above=p>0?g[p-1][col]:null,under=p<g.length?g[p][col]:null;
    if(above&&above===under){if(!grown.has(above)){grown.add(above);above.rowSpan=(above.rowSpan||1)+1;}continue;}
    var cell=make(tag);tr.appendChild(cell);if(!want||col<=c)want=cell;}
  model.parentNode.insertBefore(tr,below?model.nextSibling:model);return want;}
// A new column before grid column q in every row; a cell spanning across that place grows instead.
// The new cell of row m comes back.
function addColumn(t,q,m){var x=grid(t),g=x.g,rows=t.rows,grown=new Set(),want=null;
  for(var r=0;r<rows.length;++r){var left=q>0?g[r][q-1]:null,right=g[r][q]||null;
    if(left&&left===right){if(!grown.has(left)){grown.add(left);left.colSpan=(left.colSpan||1)+1;}if(r===m)want=left;continue;}
    var before=null,cells=rows[r].cells;for(var k=0;k<cells.length;++k)if(x.at.get(cells[k]).c>=q){before=cells[k];break;}
    var like=left||right,cell=make(like&&like.tagName==='TH'?'th':'td');rows[r].insertBefore(cell,before);if(r===m)want=cell;}
  return want;}
// Row m goes; a cell that started there and spans further down moves to the next row, one row shorter.
function deleteRow(t,m){var x=grid(t),g=x.g,rows=t.rows,row=rows[m],done=new Set();
  for(var c=0;c<g[m].length;++c){var cell=g[m][c];if(!cell||done.has(cell))continue;done.add(cell);
    var rs=cell.rowSpan||1;if(rs<=1)continue;cell.rowSpan=rs-1;if(cell.parentNode!==row)continue;
    var next=rows[m+1];if(!next)continue;var before=null;
    for(var k=0;k<next.cells.length;++k)if(x.at.get(next.cells[k]).c>c){before=next.cells[k];break;}
    next.insertBefore(cell,before);}
  row.parentNode.removeChild(row);}
function deleteColumn(t,c){var g=grid(t).g,done=new Set();
  for(var r=0;r<g.length;++r){var cell=g[r][c];if(!cell||done.has(cell))continue;done.add(cell);
    if((cell.colSpan||1)>1)cell.colSpan=cell.colSpan-1;else cell.parentNode.removeChild(cell);}
  Array.prototype.slice.call(t.rows).forEach(function(row){if(!row.cells.length)row.parentNode.removeChild(row);});}
// The old table gives way to the copy (or to nothing) through the engine's own commands: one step of
// its undo history. The copy takes the old table's place among the page's tables.
function put(old,copy,at){var index=Array.prototype.indexOf.call(d.getElementsByTagName('table'),old);
  var s=getSelection(),r=d.createRange();r.selectNode(old);s.removeAllRanges();s.addRange(r);
  if(!copy)return exec.call(d,'delete',false);
  if(!exec.call(d,'insertHTML',false,copy.outerHTML))return false;
  var t=d.getElementsByTagName('table')[index];
  if(t&&at&&t.rows[at.r])selectCell(t.rows[at.r].cells[Math.min(at.k,t.rows[at.r].cells.length-1)]);
  return true;}
T.edit=function(kind){var cell=caretCell(),old=cell&&tableOf(cell);if(!old)return false;
  if(kind==='table')return put(old,null,null);
  var copy=old.cloneNode(true),ri=cell.parentNode.rowIndex,mine=copy.rows[ri].cells[cell.cellIndex],at=grid(copy).at.get(mine),focus=null;
  if(kind==='rowAbove'||kind==='rowBelow')focus=addRow(copy,ri,kind==='rowBelow',at.c);
  else if(kind==='columnLeft'||kind==='columnRight')focus=addColumn(copy,kind==='columnLeft'?at.c:at.c+Math.max(1,mine.colSpan||1),ri);
  else{if(kind==='row')deleteRow(copy,ri);else if(kind==='column')deleteColumn(copy,at.c);else return false;
    if(!copy.rows.length)return put(old,null,null);
    var g=grid(copy).g,row=g[Math.min(ri,g.length-1)];focus=row[Math.min(at.c,row.length-1)];}
  return put(old,copy,place(focus));};
T.tab=function(back){var cell=caretCell();if(!cell)return false;var t=tableOf(cell),list=[];
  Array.prototype.forEach.call(t.rows,function(r){Array.prototype.forEach.call(r.cells,function(c){list.push(c);});});
  var i=list.indexOf(cell);
  if(back){if(i>0)selectCell(list[i-1]);return true;}
  if(i+1<list.length){selectCell(list[i+1]);return true;}
  var copy=t.cloneNode(true),first=addRow(copy,copy.rows.length-1,true,0);
  put(t,copy,place(first));return true;};
T.read=function(){var cell=caretCell(),t=cell&&tableOf(cell);if(!t)return null;
  var first=t.rows[0],header=!!first&&first.cells.length>0&&Array.prototype.every.call(first.cells,function(c){return c.tagName==='TH';});
  function number(a){var v=parseInt(t.getAttribute(a),10);return isNaN(v)?0:v;}
  return {width:t.getAttribute('width')||'',border:number('border'),spacing:number('cellspacing'),padding:number('cellpadding'),header:header};};
T.apply=function(p){var cell=caretCell(),old=cell&&tableOf(cell);if(!old)return false;
  var copy=old.cloneNode(true),at=place(cell);
  if(p.width)copy.setAttribute('width',p.width);else copy.removeAttribute('width');
  copy.setAttribute('border',String(p.border));copy.setAttribute('cellspacing',String(p.spacing));copy.setAttribute('cellpadding',String(p.padding));
  var first=copy.rows[0],want=p.header?'th':'td';
  if(first)Array.prototype.slice.call(first.cells).forEach(function(c){if(c.localName===want)return;
    var n=d.createElement(want);for(var i=0;i<c.attributes.length;++i)n.setAttribute(c.attributes[i].name,c.attributes[i].value);
    while(c.firstChild)n.appendChild(c.firstChild);c.parentNode.replaceChild(n,c);});
  if(copy.outerHTML===old.outerHTML)return false;
  return put(old,copy,at);};
// Listened to once per document; the handler looks the functions up anew, so a later run of this
// script brings its own.
if(!d.__inkwellTableKeys){d.__inkwellTableKeys=true;
  d.addEventListener('keydown',function(e){
    if(e.key!=='Tab'||e.ctrlKey||e.altKey||e.metaKey||e.isComposing||!window.__inkwellTables)return;
    if(window.__inkwellTables.tab(e.shiftKey))e.preventDefault();},true);}
return true;})())js";

QString call(const QString& body)
{
    return QStringLiteral("(window.__inkwellTables?window.__inkwellTables.%1:false)").arg(body);
}

const char* editName(TableEdit edit)
{
    switch (edit) {
    case TableEdit::RowAbove:
        return "rowAbove";
    case TableEdit::RowBelow:
        return "rowBelow";
    case TableEdit::ColumnLeft:
        return "columnLeft";
    case TableEdit::ColumnRight:
        return "columnRight";
    case TableEdit::DeleteRow:
        return "row";
    case TableEdit::DeleteColumn:
        return "column";
    case TableEdit::DeleteTable:
        return "table";
    }
    return "";
}

} // namespace

std::optional<QString> tableWidthValue(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return QString();
    static const QRegularExpression width(QStringLiteral("^([0-9]{1,5})(px|%)?$"));
    const auto match = width.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1) + (match.captured(2) == u"%" ? QStringLiteral("%") : QString());
}

namespace tablescript {

QString afterLoad()
{
    return QString::fromUtf16(kTables);
}

QString edit(TableEdit edit)
{
    return call(QStringLiteral("edit('%1')").arg(QString::fromLatin1(editName(edit))));
}

QString readProperties()
{
    return QStringLiteral("(window.__inkwellTables?window.__inkwellTables.read():null)");
}

QString applyProperties(const TableProperties& properties)
{
    // JSON is a literal the script reads as it stands; the width passes as a text whatever it holds.
    const QJsonObject object { { QStringLiteral("width"), properties.width },
        { QStringLiteral("border"), properties.border },
        { QStringLiteral("spacing"), properties.cellSpacing },
        { QStringLiteral("padding"), properties.cellPadding },
        { QStringLiteral("header"), properties.headerRow } };
    return call(QStringLiteral("apply(%1)")
                    .arg(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))));
}

} // namespace tablescript

std::optional<TableProperties> tablePropertiesFrom(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    if (map.isEmpty())
        return std::nullopt;
    return TableProperties { map.value(QStringLiteral("width")).toString(),
        map.value(QStringLiteral("border")).toInt(), map.value(QStringLiteral("spacing")).toInt(),
        map.value(QStringLiteral("padding")).toInt(), map.value(QStringLiteral("header")).toBool() };
}

TableCommands::TableCommands(DesignView& view, QWidget* parent)
    : m_view(view)
    , m_parent(parent)
{
}

bool TableCommands::edit(TableEdit edit)
{
    if (!m_view.engine())
        return false;
    const auto done = m_view.engine()->evaluate(tablescript::edit(edit));
    return done && done->toBool();
}

std::optional<TableProperties> TableCommands::properties()
{
    if (!m_view.engine())
        return std::nullopt;
    const auto value = m_view.engine()->evaluate(tablescript::readProperties());
    return value ? tablePropertiesFrom(*value) : std::nullopt;
}

bool TableCommands::setProperties(const TableProperties& properties)
{
    if (!m_view.engine())
        return false;
    const auto done = m_view.engine()->evaluate(tablescript::applyProperties(properties));
    return done && done->toBool();
}

void TableCommands::editProperties()
{
    const auto current = properties();
    if (!current)
        return;
    const auto chosen
        = m_choose ? m_choose(m_parent, *current) : TablePropertiesDialog::ask(m_parent, *current);
    if (chosen)
        (void)setProperties(*chosen);
}

MenuSection TableCommands::section()
{
    return [this](QMenu& menu, const MenuTarget& target) {
        if (!target.inTable)
            return;
        const auto add = [&](const QString& text, std::function<void()> command) {
            QObject::connect(
                menu.addAction(text), &QAction::triggered, &menu, [this, command = std::move(command)] {
                    if (m_run)
                        m_run(command);
                    else
                        command();
                });
        };
        const std::pair<const char16_t*, TableEdit> edits[] = {
            { u"插入行（上方）", TableEdit::RowAbove },
            { u"插入行（下方）", TableEdit::RowBelow },
            { u"插入列（左侧）", TableEdit::ColumnLeft },
            { u"插入列（右侧）", TableEdit::ColumnRight },
            { u"删除行", TableEdit::DeleteRow },
            { u"删除列", TableEdit::DeleteColumn },
            { u"删除表格", TableEdit::DeleteTable },
        };
        for (const auto& [text, which] : edits)
            add(QString::fromUtf16(text), [this, which] { (void)edit(which); });
        add(QStringLiteral("表格属性…"), [this] { editProperties(); });
    };
}

} // namespace inkwell
