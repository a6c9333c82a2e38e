#include "archivetestsupport.h"
#include "archive/archivebuilder.h"
#include "publishing/pageserver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace inkwell {
namespace {

using namespace archive_test;

const std::filesystem::path FixtureSite = std::filesystem::path(INKWELL_TEST_DATA) / "archive" / "site";

// A run folder served by a real page server, with the fixture site in its "tmp" folder and a
// picture outside the run folder that the page names by a file:// URL.
class ServedSite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(run() / "tmp");
        std::filesystem::copy(FixtureSite, run() / "tmp", std::filesystem::copy_options::recursive);
        std::filesystem::create_directories(outside());
        std::filesystem::copy_file(
            std::filesystem::path(INKWELL_TEST_DATA) / "archive/outside/green.png", outside() / "green.png");
        WriteFile(run() / "tmp/page.html", pageSource());
        ASSERT_TRUE(m_server.start());
        ASSERT_TRUE(m_server.port());
    }

    std::filesystem::path run() const { return m_root.path() / "run"; }
    std::filesystem::path outside() const { return m_root.path() / "outside"; }
    std::filesystem::path work() const { return m_root.path(); }
    std::string pageSource() const
    {
        return Replace(ReadFile(FixtureSite / "page.html"), "@OUTSIDE@", outside().string());
    }
    std::string url(std::string_view path) const
    {
        return "http://127.0.0.1:" + std::to_string(*m_server.port()) + std::string(path);
    }

    TempFolder m_root;
    PageServer m_server { m_root.path() / "run" };
};

TEST_F(ServedSite, ArchivePartsParseBackWithIdenticalBytes)
{
    const std::filesystem::path target = work() / "page.mht";
    const ArchiveResult result = buildMhtArchive(url("/tmp/page.html"), target);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.notFetched,
        (std::vector<MissingResource> {
            { url("/tmp/missing.png"), "the server answered with status 404" } }));
    EXPECT_TRUE(result.localFilesLeftOut.empty()) << "a picture from disk named by an img goes in";

    const std::vector<Part> parts = SplitArchive(target, work());
    ASSERT_EQ(parts.size(), result.partCount);
    const std::string greenUrl = "file://" + (outside() / "green.png").string();

    struct Expected
    {
        std::string location;
        std::string type;
        std::filesystem::path source;
    };
    const std::vector<Expected> expected {
        { url("/tmp/page.html"), "text/html", "" },
        { url("/tmp/style.css"), "text/css", "style.css" },
        { url("/tmp/more.css"), "text/css", "more.css" },
        { url("/tmp/script.js"), "text/javascript", "script.js" },
        { url("/tmp/frame.html"), "text/html", "frame.html" },
        { url("/tmp/pics/red.png"), "image/png", "pics/red.png" },
        { url("/tmp/pics/yellow.png"), "image/png", "pics/yellow.png" },
        { url("/tmp/pics/magenta.png"), "image/png", "pics/magenta.png" },
        { url("/tmp/pics/blue.png"), "image/png", "pics/blue.png" },
        { url("/tmp/pics/cyan.png"), "image/png", "pics/cyan.png" },
        { url("/tmp/pics/orange.png"), "image/png", "pics/orange.png" },
        { greenUrl, "image/png", outside() / "green.png" },
    };
    ASSERT_EQ(parts.size(), expected.size());
    EXPECT_EQ(parts[0].location, url("/tmp/page.html")) << "the page comes first";

    std::string greenId;
    for (const Expected& e : expected) {
        const auto count = std::count_if(
            parts.begin(), parts.end(), [&](const Part& p) { return p.location == e.location; });
        ASSERT_EQ(count, 1) << e.location;
        const Part& part = *std::find_if(
            parts.begin(), parts.end(), [&](const Part& p) { return p.location == e.location; });
        EXPECT_EQ(part.type, e.type) << e.location;
        const bool text = e.type.starts_with("text/");
        EXPECT_EQ(part.encoding, text ? "quoted-printable" : "base64") << e.location;
        EXPECT_EQ(part.charset, text ? "utf-8" : "") << e.location;
        // Only the part from disk needs a Content-ID.
        EXPECT_EQ(part.contentId.empty(), e.location != greenUrl) << e.location;
        if (e.location == greenUrl)
            greenId = part.contentId.substr(1, part.contentId.size() - 2);
        if (e.source.empty())
            continue;
        const std::string source = ReadFile(e.source.is_absolute() ? e.source : run() / "tmp" / e.source);
        EXPECT_EQ(part.bytes, text ? CrLf(source) : source) << e.location;
    }
    // The page refers to the part from disk by its Content-ID in the attribute that named it; the
    // same URL in a comment stays as it was, and nothing else changes.
    ASSERT_FALSE(greenId.empty());
    const std::string page = pageSource();
    const std::string attribute = "src=\"" + greenUrl + "\"";
    ASSERT_NE(page.find(attribute), std::string::npos);
    EXPECT_EQ(parts[0].bytes, CrLf(Replace(page, attribute, "src=\"cid:" + greenId + "\"")));
}

TEST_F(ServedSite, ChromiumShowsEveryPictureOfTheArchiveFromDisk)
{
    const std::filesystem::path target = work() / "shown.mht";
    const ArchiveResult result = buildMhtArchive(url("/tmp/page.html"), target);
    ASSERT_TRUE(result.ok()) << result.error;
    // The archive must stand on its own: nothing may come from the server or the disk any more.
    m_server.stop();
    std::filesystem::remove_all(run());
    std::filesystem::remove_all(outside());

    const std::filesystem::path shot = work() / "shot.png";
    const std::filesystem::path pixels = work() / "shot.rgb";
    const int width = 400, height = 300;
    const std::string chromium
        = "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
          "--disable-background-networking --disable-component-update --disable-sync "
          "--user-data-dir="
        + Quote((work() / "profile").string()) + " --screenshot=" + Quote(shot.string())
        + " --window-size=" + std::to_string(width) + "," + std::to_string(height) + " "
        + Quote("file://" + target.string()) + " >" + Quote((work() / "chromium.log").string()) + " 2>&1";
    ASSERT_EQ(RunShell("timeout 120 " + chromium), 0) << ReadFile(work() / "chromium.log");
    ASSERT_EQ(RunShell("convert " + Quote(shot.string()) + " -depth 8 rgb:" + Quote(pixels.string())), 0);
    const std::string rgb = ReadFile(pixels);
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(width * height * 3));

    struct Probe
    {
        const char* what;
        int x, y;
        unsigned colour;
    };
    const Probe probes[] = {
        { "relative picture", 30, 30, 0xFF0000 },
        { "picture from disk (file://)", 80, 30, 0x00FF00 },
        { "style sheet url()", 130, 30, 0xFFFF00 },
        { "@import style sheet url()", 180, 30, 0xFF00FF },
        { "style attribute url()", 230, 30, 0x0000FF },
        { "background attribute", 280, 30, 0xFF0000 },
        { "picture inside the iframe", 30, 90, 0x00FFFF },
        { "style element inside the iframe", 80, 90, 0xFF8000 },
        { "page background", 200, 60, 0xFFFFFF },
    };
    for (const Probe& p : probes) {
        const auto at = static_cast<std::size_t>((p.y * width + p.x) * 3);
        const auto colour = static_cast<unsigned>((static_cast<unsigned char>(rgb[at]) << 16)
            | (static_cast<unsigned char>(rgb[at + 1]) << 8) | static_cast<unsigned char>(rgb[at + 2]));
        char text[16];
        std::snprintf(text, sizeof text, "%06X", colour);
        char wanted[16];
        std::snprintf(wanted, sizeof wanted, "%06X", p.colour);
        EXPECT_STREQ(text, wanted) << p.what << " at " << p.x << "," << p.y;
    }
}

// A port on 127.0.0.1 where nothing listens: bound, then closed again.
int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST_F(ServedSite, FailuresAreReportedAndLeaveAnExistingArchiveIntact)
{
    struct Case
    {
        const char* name;
        std::string url;
        std::filesystem::path target; // relative to the work folder
        ArchiveResult::Status status;
        std::string errorPart;
    };
    const std::vector<Case> cases {
        { "refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/tmp/page.html", "a.mht",
            ArchiveResult::Status::PageNotFetched, "could not be fetched" },
        { "notFound", url("/tmp/nothing.html"), "b.mht", ArchiveResult::Status::PageNotFetched,
            "status 404" },
        { "notAUrl", "ftp://127.0.0.1/page.html", "d.mht", ArchiveResult::Status::BadUrl,
            "is not an http://" },
        { "missingFolder", url("/tmp/page.html"), "no/such/folder/e.mht", ArchiveResult::Status::NotWritten,
            "No such file or directory" },
        { "targetIsAFolder", url("/tmp/page.html"), "folder.mht", ArchiveResult::Status::NotWritten,
            "could not be written" },
    };
    const std::filesystem::path out = work() / "out";
    std::filesystem::create_directories(out / "folder.mht");
    WriteFile(out / "folder.mht" / "inside", "kept");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path target = out / c.target;
        const bool existing
            = std::filesystem::exists(target.parent_path()) && !std::filesystem::is_directory(target);
        if (existing)
            WriteFile(target, "an earlier archive");
        const auto before = std::filesystem::exists(target.parent_path()) ? namesIn(target.parent_path())
                                                                          : std::vector<std::string> {};
        const ArchiveResult result = buildMhtArchive(c.url, target);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << result.error;
        EXPECT_EQ(result.partCount, 0u);
        if (existing) {
            EXPECT_EQ(ReadFile(target), "an earlier archive");
        }
        if (std::filesystem::exists(target.parent_path())) {
            EXPECT_EQ(namesIn(target.parent_path()), before) << "a temporary file was left behind";
        }
    }
    EXPECT_EQ(ReadFile(out / "folder.mht" / "inside"), "kept");
}

TEST_F(ServedSite, ASecondExportReplacesTheFirst)
{
    const std::filesystem::path target = work() / "twice.mht";
    WriteFile(target, "an earlier archive");
    const std::vector<std::string> before = namesIn(work());
    ASSERT_TRUE(buildMhtArchive(url("/tmp/frame.html"), target).ok());
    EXPECT_EQ(namesIn(work()), before) << "a temporary file was left behind";
    const std::vector<Part> parts = SplitArchive(target, work());
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].location, url("/tmp/frame.html"));
}

} // namespace
} // namespace inkwell
