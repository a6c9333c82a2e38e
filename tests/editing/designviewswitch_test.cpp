// The trip of a page from the design view to the code view and back, over real pages, with the real
// engine, formatter and editor component.
#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/designviewswitch.h"
#include "platform/browserengine.h"
#include "platform/codeeditor.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTest>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

// What a trip must keep, as the engine sees the page: the elements in document order, the exact
// content of pre and textarea, the words of scripts and styles, and the characters of the whole text.
// White space in ordinary text is the formatter's to change (one tag per line puts line breaks between
// inline elements and their neighbours), so the text is compared without it.
const QString kSignature
    = QStringLiteral("(function(){var tags=[],exact=[],code=[];"
                     "var w=document.createTreeWalker(document.documentElement,NodeFilter.SHOW_ELEMENT);"
                     "for(var n=w.currentNode;n;n=w.nextNode()){tags.push(n.tagName);"
                     "if(n.tagName=='PRE'||n.tagName=='TEXTAREA')exact.push(n.textContent);"
                     "if(n.tagName=='SCRIPT'||n.tagName=='STYLE')code.push(n.textContent.split(/\\s+/"
                     ").filter(Boolean).join(' '));}"
                     "var text=document.documentElement.textContent.replace(/\\s+/g,'');"
                     "return JSON.stringify({tags:tags.join(' '),exact:exact,code:code,text:text});})()");

class ViewSwitch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto browser = createBrowser(nullptr);
        view.reset(browser.view);
        view->resize(800, 500);
        view->show();
        auto editor = createCodeEditor(nullptr);
        editorWidget.reset(editor.widget);
        editorWidget->resize(800, 480);
        design.setDocumentFolder(folder.path());
        design.attach(std::move(browser.engine));
        design.loadHtml(QString());
        design.editModeOn();
        code.attach(std::move(editor.editor));
    }
    QJsonObject signature()
    {
        const auto value = design.engine()->evaluate(kSignature);
        return value ? QJsonDocument::fromJson(value->toString().toUtf8()).object() : QJsonObject();
    }

    std::unique_ptr<QWidget> view;
    std::unique_ptr<QWidget> editorWidget;
    QTemporaryDir folder;
    DesignView design;
    CodeView code;
};

// The first place where two texts part, with some context, for a readable failure.
std::string firstDifference(const QJsonValue& a, const QJsonValue& b)
{
    const QString x = QString::fromUtf8(QJsonDocument(QJsonArray { a }).toJson(QJsonDocument::Compact));
    const QString y = QString::fromUtf8(QJsonDocument(QJsonArray { b }).toJson(QJsonDocument::Compact));
    qsizetype at = 0;
    while (at < x.size() && at < y.size() && x[at] == y[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 60);
    return "after:  ..." + x.mid(from, 120).toStdString() + "\nbefore: ..." + y.mid(from, 120).toStdString();
}

QString readPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

TEST_F(ViewSwitch, EveryPageKeepsItsTagsAndTextThroughTheCodeView)
{
    const QDir pages(QStringLiteral(INKWELL_TEST_DATA "/pages"));
    const QStringList names = pages.entryList({ QStringLiteral("*.html") }, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        design.loadHtml(readPage(pages.filePath(name)));
        const QJsonObject before = signature();
        ASSERT_FALSE(before.isEmpty()) << name.toStdString();

        switchToCodeView(design, code);
        const QString source = code.text();
        EXPECT_TRUE(source.startsWith(QStringLiteral("<html"))) << name.toStdString();
        EXPECT_TRUE(source.contains(QStringLiteral("\n\t<head")))
            << name.toStdString() << ": one tab per level";

        switchToDesignView(code.text(), design);
        const QJsonObject after = signature();
        for (const char* part : { "tags", "exact", "code", "text" }) {
            EXPECT_EQ(after.value(QLatin1String(part)), before.value(QLatin1String(part)))
                << name.toStdString() << ": " << part << "\n"
                << firstDifference(after.value(QLatin1String(part)), before.value(QLatin1String(part)));
        }
        EXPECT_TRUE(design.engine()->documentEditable()) << name.toStdString();
    }
}

TEST_F(ViewSwitch, CodeViewEditsReachTheDesignViewOnlyThroughTheSwitch)
{
    design.loadHtml(QStringLiteral("<html><head></head><body><p>design</p></body></html>"));
    switchToCodeView(design, code);
    code.setText(QStringLiteral("<html><head></head><body><p>编辑过的</p></body></html>"));
    EXPECT_TRUE(design.getHtml().contains(QStringLiteral("<p>design</p>")));
    switchToDesignView(code.text(), design);
    EXPECT_EQ(design.getHtml(), QStringLiteral("<html><head></head><body><p>编辑过的</p></body></html>"));
}

} // namespace
} // namespace inkwell
