// Ctrl+V from the keyboard into the real program, with the clipboard held by another program: a
// picture goes into the document folder once, and the engine does not paste it again later (it did
// when it saw part of the key's events); text still pastes as the engine pastes it.
#include "tests/support/testfiles.h"
#include "tests/support/process.h"
#include "tests/support/programcopy.h"
#include "tests/support/xwindows.h"

#include <QImage>
#include <gtest/gtest.h>
#include <regex>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::commandOutput;
using testing::ProgramCopy;
using testing::waitUntil;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;

bool clickIn(const std::string& window, int x, int y)
{
    return testing::xdo("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y)
        + " sleep 0.2 click 1 sleep 0.4");
}

// Hands the clipboard to xclip with the file as the given type; xclip serves it until another
// program takes the clipboard.
bool offerOnClipboard(const fs::path& file, const std::string& type)
{
    return std::system(
               ("xclip -selection clipboard -t " + type + " -i '" + file.string() + "' >/dev/null 2>&1 &")
                   .c_str())
        == 0;
}

TEST(PasteKeys, PictureOnceTextAsBefore)
{
    ProgramCopy program(binaryDir);
    fs::create_directories(program.run / "system");
    testing::writeFile(program.run / "system" / "guid.ini", "[向导]\n是否显示=假\n");
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(QColor(20, 160, 90));
    const fs::path png = program.root.path() / "shot.png";
    ASSERT_TRUE(picture.save(QString::fromStdString(png.string()), "PNG"));
    const fs::path text = program.root.path() / "words.txt";
    testing::writeFile(text, "typed words");

    ChildProcess inkwell(program.run / "inkwell", {}, program.run, program.environment());
    const std::string main = testing::visibleWindow("Inkwell - 临时页面", 30s);
    ASSERT_FALSE(main.empty());
    ASSERT_TRUE(testing::xdo("windowfocus --sync " + main));
    ASSERT_TRUE(clickIn(main, 400, 250));
    ASSERT_TRUE(offerOnClipboard(png, "image/png"));
    ASSERT_TRUE(testing::xdo("sleep 0.5 key ctrl+v sleep 1"));
    // Clicks elsewhere and back into the page: what once brought the engine's own paste out.
    ASSERT_TRUE(clickIn(main, 464, 39)); // "代码"
    ASSERT_TRUE(clickIn(main, 464, 17)); // "设计"
    ASSERT_TRUE(clickIn(main, 700, 450));
    ASSERT_TRUE(testing::xdo("key ctrl+End"));
    ASSERT_TRUE(offerOnClipboard(text, "UTF8_STRING"));
    ASSERT_TRUE(testing::xdo("sleep 0.5 key ctrl+v sleep 1"));
    ASSERT_TRUE(clickIn(main, 94, 25)); // Save

    fs::path saved;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const auto& entry : fs::directory_iterator(program.run / "tmp")) {
                if (entry.path().extension() == ".html")
                    saved = entry.path();
            }
            return !saved.empty() && testing::fileBytes(saved).find("typed words") != std::string::npos;
        },
        15s));
    const std::string page = testing::fileBytes(saved);
    std::vector<std::string> sources;
    const std::regex image("<img src=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), image); it != std::sregex_iterator(); ++it)
        sources.push_back((*it)[1].str());
    ASSERT_EQ(sources.size(), 1u) << page;
    EXPECT_TRUE(std::regex_match(sources[0], std::regex("\\d{13}\\.png"))) << sources[0];
    EXPECT_EQ(testing::fileBytes(program.run / "tmp" / sources[0]), testing::fileBytes(png));
    EXPECT_EQ(page.find("data:"), std::string::npos) << page;
    inkwell.kill(SIGTERM);
    EXPECT_EQ(inkwell.waitFor(20s), 0);
}

} // namespace
} // namespace inkwell
