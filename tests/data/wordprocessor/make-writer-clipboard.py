# Makes writer-clipboard.html: the HTML a word processor puts on the clipboard when a passage with a
# heading, inline formats, a link, a list, a picture and a table with a merged cell is copied. Run once,
# by hand, with the word processor's headless server listening:
#   soffice --headless --invisible --norestore --accept="socket,host=localhost,port=2002;urp;" &
#   mkdir -p /tmp/lofix && cp <a small PNG> /tmp/lofix/blue.png && /usr/bin/python3 make-writer-clipboard.py
# It leaves /tmp/lofix/clipboard.html and a copy of the picture the HTML refers to in the word
# processor's temporary folder, which goes when the server ends. The tests never run it.
import uno, time, sys, subprocess
from com.sun.star.beans import PropertyValue
from com.sun.star.awt import Size
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK

def prop(n, v):
    p = PropertyValue(); p.Name = n; p.Value = v; return p

local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
for i in range(60):
    try:
        ctx = resolver.resolve("uno:socket,host=localhost,port=2002;urp;StarOffice.ComponentContext"); break
    except Exception:
        time.sleep(1)
smgr = ctx.ServiceManager
desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
doc = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", False),))
text = doc.Text
cur = text.createTextCursor()
cur.ParaStyleName = "Heading 1"
text.insertString(cur, "季度报告 Quarterly report", False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
cur.ParaStyleName = "Text Body"
text.insertString(cur, "普通文字，", False)
text.insertString(cur, "粗体", False)
cur.goLeft(2, True)
cur.CharWeight = 150.0; cur.CharWeightAsian = 150.0
cur.collapseToEnd()
cur.CharWeight = 100.0; cur.CharWeightAsian = 100.0
text.insertString(cur, "，", False)
text.insertString(cur, "斜体", False)
cur.goLeft(2, True)
cur.CharPosture = uno.Enum("com.sun.star.awt.FontSlant", "ITALIC"); cur.CharPostureAsian = uno.Enum("com.sun.star.awt.FontSlant", "ITALIC")
cur.collapseToEnd()
cur.CharPosture = uno.Enum("com.sun.star.awt.FontSlant", "NONE"); cur.CharPostureAsian = uno.Enum("com.sun.star.awt.FontSlant", "NONE")
text.insertString(cur, "，", False)
text.insertString(cur, "下划线", False)
cur.goLeft(3, True)
cur.CharUnderline = 1
cur.collapseToEnd()
cur.CharUnderline = 0
text.insertString(cur, "，链接：", False)
text.insertString(cur, "示例网站", False)
cur.goLeft(4, True)
cur.HyperLinkURL = "https://example.org/report"
cur.collapseToEnd()
cur.HyperLinkURL = ""
text.insertString(cur, "。", False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
# A bulleted list
cur.NumberingStyleName = "List 1"
text.insertString(cur, "第一项", False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
text.insertString(cur, "第二项", False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
cur.NumberingStyleName = ""
text.insertString(cur, "下面是一张图片：", False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
g = doc.createInstance("com.sun.star.text.TextGraphicObject")
gp = smgr.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", ctx)
graphic = gp.queryGraphic((prop("URL", "file:///tmp/lofix/blue.png"),))
g.Graphic = graphic
g.AnchorType = uno.Enum("com.sun.star.text.TextContentAnchorType", "AS_CHARACTER")
s = Size(); s.Width = 1058; s.Height = 794
g.Size = s
text.insertTextContent(cur, g, False)
text.insertControlCharacter(cur, PARAGRAPH_BREAK, False)
table = doc.createInstance("com.sun.star.text.TextTable")
table.initialize(3, 3)
text.insertTextContent(cur, table, False)
for name, value in [("A1", "项目"), ("B1", "一月"), ("C1", "二月"), ("A2", "收入"), ("B2", "100"), ("C2", "120"), ("A3", "合计"), ("B3", "220")]:
    table.getCellByName(name).setString(value)
tc = table.createCursorByCellName("B3")
tc.goRight(1, True)
tc.mergeRange()
text.insertString(text.getEnd(), "结束。", False)

ctrl = doc.CurrentController
frame = ctrl.Frame
disp = smgr.createInstanceWithContext("com.sun.star.frame.DispatchHelper", ctx)
doc.storeToURL("file:///tmp/lofix/passage.odt", ())
disp.executeDispatch(frame, ".uno:SelectAll", "", 0, ())
disp.executeDispatch(frame, ".uno:SelectAll", "", 0, ())
disp.executeDispatch(frame, ".uno:Copy", "", 0, ())
clip = smgr.createInstanceWithContext("com.sun.star.datatransfer.clipboard.SystemClipboard", ctx)
contents = clip.getContents()
for f in contents.getTransferDataFlavors():
    print(f.MimeType, file=sys.stderr)
for f in contents.getTransferDataFlavors():
    if f.MimeType.startswith("text/html"):
        data = contents.getTransferData(f)
        raw = bytes(data.value) if hasattr(data, "value") else data
        open("/tmp/lofix/clipboard.html", "wb").write(raw if isinstance(raw, bytes) else raw.encode())
        print("wrote", len(raw), file=sys.stderr)
        break
import shutil, re
m = re.search(rb"file://(/tmp/[^\"]+)", open("/tmp/lofix/clipboard.html","rb").read())
shutil.copy(m.group(1).decode(), "/tmp/lofix/")
doc.close(True)
