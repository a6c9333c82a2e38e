#include "publishing/gzipencoder.h"
#include "publishing/httprequest.h"
#include "publishing/pageserver.h"
#include "serverfixture.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <memory>
#include <netinet/tcp.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace std::string_literals;
using namespace std::chrono_literals;
using inkwell::gzipEncode;
using inkwell::PageServer;
using testing_support::exchange;
using testing_support::fileBytes;
using testing_support::LoopbackClient;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// The not-found answer as clients have always received it, body in GBK.
const std::string kNotFound = "HTTP/1.1 404 Not Found\r\nServer: Wisp beta\r\n\r\n"
                              "<title>404 \xce\xb4\xd5\xd2\xb5\xbd\xd6\xb8\xb6\xa8\xc4\xda\xc8\xdd</title>"
                              "404 NOT FOUND <br> Powered By Wisp";

const std::string kPicture = fileBytes(std::filesystem::path(INKWELL_TEST_DATA) / "server" / "picture.png");

std::string compressed(std::string_view typeLine, std::string_view body)
{
    std::string header = "HTTP/1.1 200 OK\r\n";
    if (!typeLine.empty())
        header += std::string(typeLine) + "\r\n";
    return header + "Server: Wisp beta\r\nContent-Encoding: gzip\r\n\r\n" + gzipEncode(body).value();
}

// Sends the request in pieces with a pause after each, as a slow network or a crafted client would,
// and returns the whole answer.
std::optional<std::string> exchangeInPieces(int port, const std::vector<std::string>& pieces)
{
    LoopbackClient client(port);
    if (!client.isConnected())
        return std::nullopt;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(300ms);
        if (!client.send(pieces[i]))
            return std::nullopt;
    }
    return client.readToEnd();
}

// Sends the request and then ends the sending side, as a client does that has nothing more to say.
std::optional<std::string> exchangeThenEnd(int port, std::string_view request)
{
    LoopbackClient client(port);
    if (!client.isConnected() || !client.send(request) || ::shutdown(client.fd(), SHUT_WR) != 0)
        return std::nullopt;
    return client.readToEnd();
}

// <temp>/run is the run folder; <temp>/outside.txt is what traversal attempts aim at.
void fillRunFolder(const std::filesystem::path& temp)
{
    const std::filesystem::path run = temp / "run";
    writeFile(temp / "outside.txt", "outside the run folder");
    writeFile(run / "index.html", "<p>root</p>");
    writeFile(run / "tmp" / "index.html", "<p>tmp</p>");
    writeFile(run / "tmp" / "PAGE.HTML", "upper");
    writeFile(run / "style.css", "b{color:red}");
    writeFile(run / "gzip-notes.txt", "notes");
    writeFile(run / "empty.html", "");
    writeFile(run / "page", "cut path");
    writeFile(run / "page.html", "whole path");
    writeFile(run / "a b.txt", "decoded name");
    writeFile(run / "100%.txt", "percent in the name");
    writeFile(run / "%2e%2e" / "outside.txt", "literal dots");
    // 我的 网页 (1)/照片 (1).png and 图.png, names as the editor's users give them.
    writeFile(run / "project" / "\xe6\x88\x91\xe7\x9a\x84 \xe7\xbd\x91\xe9\xa1\xb5 (1)"
            / "\xe7\x85\xa7\xe7\x89\x87 (1).png",
        kPicture);
    writeFile(run / "\xe5\x9b\xbe.png", "picture two");
    writeFile(run / "picture.png", kPicture);
    writeFile(run / "exactly8192.txt", std::string(8192, 'w'));
    std::string big;
    while (big.size() < 10 * 1024 * 1024)
        big += "<tr><td>row</td><td>" + std::to_string(big.size() % 977) + "</td></tr>\n";
    writeFile(run / "big.html", big);
    std::filesystem::create_symlink(temp / "outside.txt", run / "link-out");
    std::filesystem::create_symlink(temp, run / "dir-out");
    std::filesystem::create_symlink("index.html", run / "link-in");
    // Opening a named pipe for reading would block until a writer came along.
    if (::mkfifo((run / "pipe.txt").c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo failed");
}

class PageServerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_temp = std::make_unique<TempFolder>();
        fillRunFolder(s_temp->path());
        s_server = std::make_unique<PageServer>(s_temp->path() / "run");
        ASSERT_TRUE(s_server->start());
        ASSERT_TRUE(s_server->port());
    }
    static void TearDownTestSuite()
    {
        s_server.reset();
        s_temp.reset();
    }

    static std::filesystem::path run() { return s_temp->path() / "run"; }
    static int port() { return *s_server->port(); }

    static inline std::unique_ptr<TempFolder> s_temp;
    static inline std::unique_ptr<PageServer> s_server;
};

TEST_F(PageServerTest, AnswersByteForByte)
{
    const struct
    {
        const char* name;
        std::string request;
        std::string answer;
    } cases[] = {
        { "slash serves the root index", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>root</p>" },
        { "folder slash serves its index", "GET /tmp/ HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>tmp</p>" },
        { "upper-case extension has no type line", "GET /tmp/PAGE.HTML HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\nupper" },
        { "image type has a blank", "GET /picture.png HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nServer: Wisp beta\r\n\r\n" + kPicture },
        { "accept-encoding gzip", "GET /style.css HTTP/1.1\r\nAccept-Encoding: gzip, deflate\r\n\r\n",
            compressed("Content-Type:text/css", "b{color:red}") },
        { "gzip only in the path", "GET /gzip-notes.txt HTTP/1.1\r\n\r\n",
            compressed("Content-Type:text/txt", "notes") },
        { "gzip only in an unrelated header", "GET /style.css HTTP/1.1\r\nX-Trace: ungzipped\r\n\r\n",
            compressed("Content-Type:text/css", "b{color:red}") },
        { "GZIP does not count", "GET /style.css HTTP/1.1\r\nAccept-Encoding: GZIP\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}" },
        { "picture compressed too", "GET /picture.png HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n",
            compressed("Content-Type: image/png", kPicture) },
        { "missing file", "GET /missing.html HTTP/1.1\r\n\r\n", kNotFound },
        { "missing file with gzip", "GET /missing.html HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n",
            kNotFound },
        { "HEAD is answered as GET", "HEAD / HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>root</p>" },
        { "POST is answered as GET", "POST /tmp/ HTTP/1.1\r\nContent-Length: 3\r\n\r\na=b",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>tmp</p>" },
        { "two requests at once: the first only", "GET / HTTP/1.1\r\n\r\nGET /tmp/ HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>root</p>" },
        { "empty file", "GET /empty.html HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n" },
        { "empty file with gzip", "GET /empty.html HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n",
            compressed("Content-Type:text/html", "") },
        { "folder without slash", "GET /tmp HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\n" },
        { "named pipe is no file to serve", "GET /pipe.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "named pipe with gzip", "GET /pipe.txt HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n", kNotFound },
        { "folder with gzip", "GET /tmp HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n", compressed("", "") },
        // The path is cut at the query and percent-decoded to the UTF-8 bytes of the name.
        { "blank decoded", "GET /a%20b.txt HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\ndecoded name" },
        { "escaped percent decoded once", "GET /100%25.txt HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\npercent in the name" },
        { "Chinese folder and file names",
            "GET /project/%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5%20%281%29/"
            "%E7%85%A7%E7%89%87%20(1).png HTTP/1.1\r\nHost: 127.0.0.1:8889\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nServer: Wisp beta\r\n\r\n" + kPicture },
        { "Chinese name compressed", "GET /%e5%9b%be.png HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n",
            compressed("Content-Type: image/png", "picture two") },
        { "query cut off, type from the path", "GET /index.html?v=2 HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>root</p>" },
        { "query after a folder slash", "GET /tmp/?v=2 HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>tmp</p>" },
        { "encoded name not there", "GET /%E7%85%A7%E7%89%87.png HTTP/1.1\r\n\r\n", kNotFound },
        { "decoded zero byte", "GET /index.html%00.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "request ends at a zero byte", "GET /style.css HTTP/1.1\r\n\0Accept-Encoding: gzip\r\n\r\n"s,
            "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}" },
        { "symlink inside the run folder", "GET /link-in HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\n<p>root</p>" },
        // Ways out of the run folder, and requests with nothing to look up.
        { "dot-dot segment", "GET /../outside.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "dot-dot segment deeper", "GET /tmp/../../outside.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "dot-dot staying inside", "GET /tmp/../index.html HTTP/1.1\r\n\r\n", kNotFound },
        { "escaped dots are a dot-dot segment", "GET /%2e%2e/outside.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "escaped dots and slash", "GET /tmp%2F%2E%2E%2F..%2Foutside.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "doubly escaped dots are a name", "GET /%252e%252e/outside.txt HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\nliteral dots" },
        { "symlink out of the run folder", "GET /link-out HTTP/1.1\r\n\r\n", kNotFound },
        { "folder symlink out of the run folder", "GET /dir-out/outside.txt HTTP/1.1\r\n\r\n", kNotFound },
        { "path without leading slash", "GET index.html HTTP/1.1\r\n\r\n", kNotFound },
        { "absolute URL as path", "GET http://127.0.0.1/index.html HTTP/1.1\r\n\r\n", kNotFound },
        { "only a method", "GET\r\n\r\n", kNotFound },
        { "empty path", "GET  /index.html HTTP/1.1\r\n\r\n", kNotFound },
    };
    for (const auto& c : cases) {
        const std::optional<std::string> answer = exchange(port(), c.request);
        ASSERT_TRUE(answer) << c.name << ": no answer within the time limit";
        EXPECT_TRUE(*answer == c.answer)
            << c.name << "\n got: " << ::testing::PrintToString(answer->substr(0, 300))
            << "\nwant: " << ::testing::PrintToString(c.answer.substr(0, 300));
    }
}

// The recovery copy of the page being edited and the settings live in "system", and a file this
// user keeps to itself is kept from every client as well: the server cannot tell another local
// user from the editor's own engine, so it refuses even requests of this very user.
TEST_F(PageServerTest, NeverServesSystemOrFilesKeptPrivate)
{
    const std::filesystem::path system = run() / "system";
    writeFile(system / "recover.html", "<p>unsaved work</p>");
    writeFile(system / "recover.ini", "[recovery]\nfile=x.html\n");
    writeFile(run() / "private" / "notes.html", "private notes");
    writeFile(run() / "private" / "open.html", "readable by the group");
    writeFile(run() / "private" / "shared.html", "readable by all");
    std::filesystem::permissions(
        system / "recover.html", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::permissions(run() / "private" / "notes.html",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::permissions(run() / "private" / "open.html",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write
            | std::filesystem::perms::group_read);
    std::filesystem::create_symlink(system / "recover.html", run() / "link-to-recovery.html");
    std::filesystem::create_directory_symlink(system, run() / "settings");
    std::filesystem::create_symlink("private/notes.html", run() / "link-to-notes.html");

    const std::string html = "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n";
    const struct
    {
        const char* name;
        std::string request;
        std::string answer;
    } cases[] = {
        { "recovery copy", "GET /system/recover.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", kNotFound },
        { "recovery record, readable by all", "GET /system/recover.ini HTTP/1.1\r\n\r\n", kNotFound },
        { "recovery copy compressed", "GET /system/recover.html HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n",
            kNotFound },
        { "the folder itself", "GET /system HTTP/1.1\r\n\r\n", kNotFound },
        { "the folder with a slash", "GET /system/ HTTP/1.1\r\n\r\n", kNotFound },
        { "escaped name", "GET /%73ystem/recover.ini HTTP/1.1\r\n\r\n", kNotFound },
        { "link to the recovery copy", "GET /link-to-recovery.html HTTP/1.1\r\n\r\n", kNotFound },
        { "folder link to system", "GET /settings/recover.ini HTTP/1.1\r\n\r\n", kNotFound },
        { "a file only its owner may read", "GET /private/notes.html HTTP/1.1\r\n\r\n", kNotFound },
        { "link to such a file", "GET /link-to-notes.html HTTP/1.1\r\n\r\n", kNotFound },
        { "group may read: served", "GET /private/open.html HTTP/1.1\r\n\r\n",
            html + "readable by the group" },
        { "all may read: served", "GET /private/shared.html HTTP/1.1\r\n\r\n", html + "readable by all" },
        { "a name that only begins alike", "GET /systemic.html HTTP/1.1\r\n\r\n", html + "not the folder" },
    };
    writeFile(run() / "systemic.html", "not the folder");
    for (const auto& c : cases) {
        const std::optional<std::string> answer = exchange(port(), c.request);
        ASSERT_TRUE(answer) << c.name << ": no answer within the time limit";
        EXPECT_EQ(*answer, c.answer) << c.name;
    }
}

// An address of this machine other than loopback, as a page that rebinds its name to it would
// send; empty when the machine has none.
std::optional<std::string> otherAddressOfThisMachine()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<std::string> found;
    for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        if ((ntohl(address.s_addr) >> 24) == 127)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &address, text, sizeof text) != nullptr)
            found = text;
    }
    ::freeifaddrs(list);
    return found;
}

// Pages of other sites reach the server through a name of their own that they point at 127.0.0.1;
// the browser then names that site in Host. Only loopback names, or no Host at all, are served.
TEST_F(PageServerTest, ServesOnlyRequestsForLoopbackNames)
{
    const std::string served
        = "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}";
    const std::string portText = std::to_string(port());
    struct Case
    {
        std::string name;
        std::string hostLines;
        bool isServed;
    };
    std::vector<Case> cases = {
        { "numeric loopback", "Host: 127.0.0.1\r\n", true },
        { "numeric loopback with port", "Host: 127.0.0.1:" + portText + "\r\n", true },
        { "localhost", "Host: localhost\r\n", true },
        { "localhost with port, any case", "Host: LocalHost:" + portText + "\r\n", true },
        { "IPv6 loopback", "Host: [::1]\r\n", true },
        { "IPv6 loopback with port", "Host: [::1]:" + portText + "\r\n", true },
        { "no Host (HTTP/1.0)", "", true },
        { "another name", "Host: rebound.example\r\n", false },
        { "another name with port", "Host: rebound.example:" + portText + "\r\n", false },
        { "a name below localhost", "Host: localhost.rebound.example\r\n", false },
        { "empty Host", "Host: \r\n", false },
        { "two loopback Host lines", "Host: 127.0.0.1\r\nHost: 127.0.0.1\r\n", false },
        { "loopback and another name", "Host: 127.0.0.1:" + portText + "\r\nhost: rebound.example\r\n",
            false },
    };
    if (const std::optional<std::string> address = otherAddressOfThisMachine()) {
        cases.push_back({ "this machine's address " + *address, "Host: " + *address + "\r\n", false });
        cases.push_back(
            { "this machine's address with port", "Host: " + *address + ":" + portText + "\r\n", false });
    } else {
        ADD_FAILURE() << "this machine has no address besides loopback to try";
    }
    for (const auto& c : cases) {
        for (const bool gzip : { false, true }) {
            const std::string request = "GET /style.css HTTP/1.1\r\n" + c.hostLines
                + (gzip ? "Accept-Encoding: gzip\r\n" : "") + "\r\n";
            const std::string expected = !c.isServed ? kNotFound
                : gzip                               ? compressed("Content-Type:text/css", "b{color:red}")
                                                     : served;
            EXPECT_EQ(exchange(port(), request), expected) << c.name << (gzip ? ", gzip" : "");
        }
    }
}

// The Host is looked for in the whole head, however long it is and however it is cut into pieces
// on the way; a head past its bound is not looked at at all.
TEST_F(PageServerTest, DecidesTheHostOnTheWholeHead)
{
    const std::string served
        = "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n<p>root</p>";
    const std::string portText = std::to_string(port());
    const std::string longQuery = "/index.html?" + std::string(20500, 'A');
    // A head of exactly `length` bytes that ends in `hostLine` and the empty line.
    const auto headOfLength = [](std::size_t length, const std::string& hostLine) {
        const std::string start = "GET /index.html HTTP/1.1\r\nX-Pad: ";
        const std::string end = "\r\n" + hostLine + "\r\n\r\n";
        return start + std::string(length - start.size() - end.size(), 'p') + end;
    };
    const std::size_t bound = inkwell::kMaxRequestHead;
    const struct
    {
        std::string name;
        std::vector<std::string> pieces;
        bool isServed;
    } cases[] = {
        { "long query, foreign Host",
            { "GET " + longQuery + " HTTP/1.1\r\nHost: evil.example:" + portText + "\r\n\r\n" }, false },
        { "long query, loopback Host",
            { "GET " + longQuery + " HTTP/1.1\r\nHost: 127.0.0.1:" + portText + "\r\n\r\n" }, true },
        { "long query, no Host (HTTP/1.0)", { "GET " + longQuery + " HTTP/1.0\r\n\r\n" }, true },
        { "foreign Host in a second piece", { "GET /index.html HTTP/1.1\r\n", "Host: evil.example\r\n\r\n" },
            false },
        { "loopback Host in a second piece", { "GET /index.html HTTP/1.1\r\n", "Host: localhost\r\n\r\n" },
            true },
        { "foreign Host, then the empty line alone",
            { "GET /index.html HTTP/1.1\r\nHost: evil.example\r\n", "\r\n" }, false },
        { "empty line cut between CR and LF",
            { "GET /index.html HTTP/1.1\r\nHost: evil.example\r\n\r", "\n" }, false },
        { "second Host line in a later piece",
            { "GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n", "Host: evil.example\r\n\r\n" }, false },
        { "zero byte in the request line hides no Host",
            { "GET /index.html HTTP/1.1\0\r\nHost: evil.example\r\n\r\n"s }, false },
        { "head of exactly the bound, loopback Host", { headOfLength(bound, "Host: 127.0.0.1") }, true },
        { "head of exactly the bound, foreign Host", { headOfLength(bound, "Host: evil.example") }, false },
        { "head one byte over the bound, loopback Host", { headOfLength(bound + 1, "Host: 127.0.0.1") },
            false },
        { "head far over the bound", { headOfLength(bound + 8000, "Host: 127.0.0.1") }, false },
    };
    for (const auto& c : cases) {
        const std::optional<std::string> answer = exchangeInPieces(port(), c.pieces);
        ASSERT_TRUE(answer) << c.name << ": no answer within the time limit";
        EXPECT_EQ(*answer, c.isServed ? served : kNotFound) << c.name;
    }
}

// A client that ends its side before the empty line has not asked for anything whole.
TEST_F(PageServerTest, HeadThatEndsBeforeItsEmptyLineIsNotFound)
{
    const struct
    {
        const char* name;
        std::string request;
        std::optional<std::string> answer;
    } cases[] = {
        { "cut inside the path", "GET /page", kNotFound },
        { "only a method", "GET", kNotFound },
        { "cut after the Host line", "GET /page HTTP/1.1\r\nHost: 127.0.0.1\r\n", kNotFound },
        { "cut after the CR of the empty line", "GET /page HTTP/1.1\r\n\r", kNotFound },
        { "whole head, then the end", "GET /page HTTP/1.1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path" },
        { "nothing at all is not answered", "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(exchangeThenEnd(port(), c.request), c.answer) << c.name;
}

TEST_F(PageServerTest, ReadsFilesAfreshForEveryRequest)
{
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\n";
    writeFile(run() / "tmp" / "fresh.html", "first");
    EXPECT_EQ(exchange(port(), "GET /tmp/fresh.html HTTP/1.1\r\n\r\n"), header + "first");
    writeFile(run() / "tmp" / "fresh.html", "second save");
    EXPECT_EQ(exchange(port(), "GET /tmp/fresh.html HTTP/1.1\r\n\r\n"), header + "second save");
}

TEST_F(PageServerTest, ClientsArrivingTogetherAreServedInTurn)
{
    std::vector<std::future<int>> clients;
    for (int c = 0; c < 3; ++c) {
        clients.push_back(std::async(std::launch::async, [] {
            int correct = 0;
            for (int i = 0; i < 5; ++i)
                correct += exchange(port(), "GET /style.css HTTP/1.1\r\n\r\n")
                    == "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}";
            return correct;
        }));
    }
    for (auto& client : clients)
        EXPECT_EQ(client.get(), 5);
}

// The decoder of an ordinary HTTP client gets each file back intact from the compressed answer.
TEST_F(PageServerTest, CurlCompressedRoundTrip)
{
    TempFolder downloads;
    for (const char* name : { "empty.html", "exactly8192.txt", "big.html", "picture.png" }) {
        SCOPED_TRACE(name);
        const auto body = downloads.path() / name;
        const auto headers = downloads.path() / (std::string(name) + ".headers");
        const std::string command = "curl -sS --compressed --max-time 30 -D '" + headers.string() + "' -o '"
            + body.string() + "' http://127.0.0.1:" + std::to_string(port()) + "/" + name;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_NE(fileBytes(headers).find("\r\nContent-Encoding: gzip\r\n"), std::string::npos);
        const std::string original = fileBytes(run() / name);
        const std::string fetched = fileBytes(body);
        EXPECT_EQ(fetched.size(), original.size());
        EXPECT_TRUE(fetched == original);
    }
}

// A client that connects and says nothing holds up nobody, and is dropped after the bounded wait.
TEST_F(PageServerTest, SilentClientIsDroppedAndOthersServedMeanwhile)
{
    LoopbackClient silent(port());
    ASSERT_TRUE(silent.isConnected());
    const auto connected = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(100ms); // let the worker take the silent connection first

    EXPECT_EQ(exchange(port(), "GET /page HTTP/1.1\r\n\r\n"),
        "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path");
    EXPECT_LT(std::chrono::steady_clock::now() - connected, 1s) << "the silent client held the worker";
    EXPECT_EQ(silent.readToEnd(PageServer::kClientTimeout + 2s), std::string())
        << "dropped without an answer";
    EXPECT_GE(std::chrono::steady_clock::now() - connected, PageServer::kClientTimeout - 100ms);
}

// A client that asks for a large file and never reads it cannot stall the server either.
TEST_F(PageServerTest, ClientThatStopsReadingIsDropped)
{
    LoopbackClient stalled(port());
    ASSERT_TRUE(stalled.isConnected());
    const int small = 4096;
    ::setsockopt(stalled.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_TRUE(stalled.send("GET /big.html HTTP/1.1\r\n\r\n"));
    std::this_thread::sleep_for(200ms); // let the worker start sending into the full buffer first

    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::string> answer = exchange(port(), "GET /page HTTP/1.1\r\n\r\n");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path");
    EXPECT_LT(waited, PageServer::kClientTimeout + 2s);
}

// Whether the connection still stands. A client sees a reset only once it has read everything
// before it, so a slow reader asks the kernel instead.
bool isEstablished(int fd)
{
    tcp_info info {};
    socklen_t length = sizeof info;
    return ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 && info.tcpi_state == TCP_ESTABLISHED;
}

// A client that reads slowly but steadily keeps its answer coming past the client timeout, though
// the socket it drains so slowly seldom shows much room.
TEST_F(PageServerTest, ClientThatKeepsReadingSlowlyIsNotDropped)
{
    LoopbackClient slow(port());
    ASSERT_TRUE(slow.isConnected());
    ASSERT_TRUE(slow.send("GET /big.html HTTP/1.1\r\n\r\n"));
    std::size_t received = 0;
    const auto end = std::chrono::steady_clock::now() + PageServer::kClientTimeout + 3s;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(isEstablished(slow.fd())) << "dropped after " << received << " bytes";
        char piece[16 * 1024];
        const ssize_t got = ::recv(slow.fd(), piece, sizeof piece, MSG_DONTWAIT);
        if (got > 0)
            received += static_cast<std::size_t>(got);
    }
    EXPECT_LT(received, fileBytes(run() / "big.html").size()) << "the answer never waited for the client";
}

// A client that reads, but far below what any client on this machine manages (100 KB a second
// here), is dropped once it has fallen behind the least rate by the slack; meanwhile it holds up
// nobody.
TEST_F(PageServerTest, ClientThatReadsTooSlowlyIsDroppedAndHoldsUpNobody)
{
    LoopbackClient slow(port());
    ASSERT_TRUE(slow.isConnected());
    ASSERT_TRUE(slow.send("GET /big.html HTTP/1.1\r\n\r\n"));
    const auto start = std::chrono::steady_clock::now();
    std::size_t received = 0;
    std::optional<std::chrono::steady_clock::duration> droppedAfter;
    int othersServed = 0;
    while (std::chrono::steady_clock::now() - start < PageServer::kRateSlack + 6s) {
        std::this_thread::sleep_for(250ms);
        if (!isEstablished(slow.fd())) {
            droppedAfter = std::chrono::steady_clock::now() - start;
            break;
        }
        char piece[25 * 1024];
        const ssize_t got = ::recv(slow.fd(), piece, sizeof piece, MSG_DONTWAIT);
        if (got > 0)
            received += static_cast<std::size_t>(got);
        // Another client's answer does not wait for the slow one's.
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(exchange(port(), "GET /page HTTP/1.1\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path");
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
        ++othersServed;
    }
    ASSERT_TRUE(droppedAfter) << "still served after " << received << " bytes";
    EXPECT_GE(*droppedAfter, PageServer::kRateSlack - 500ms);
    EXPECT_LT(received, fileBytes(run() / "big.html").size());
    EXPECT_GT(othersServed, 10);
}

// Clients that ask for a large file, plain or compressed, and then read nothing fill their sockets
// and stall; an ordinary request is answered at once all the same, and so is one from a client
// that reads a large answer slowly.
TEST_F(PageServerTest, StalledClientsDoNotDelayOthers)
{
    std::vector<std::unique_ptr<LoopbackClient>> stalled;
    for (int i = 0; i < 20; ++i) {
        auto client = std::make_unique<LoopbackClient>(port());
        ASSERT_TRUE(client->isConnected());
        const int small = 4096;
        ::setsockopt(client->fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        ASSERT_TRUE(client->send(i % 2 == 0 ? "GET /big.html HTTP/1.1\r\n\r\n"
                                            : "GET /big.html HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n"));
        stalled.push_back(std::move(client));
    }
    std::this_thread::sleep_for(300ms); // let the server fill their sockets first

    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(exchange(port(), "GET /style.css HTTP/1.1\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "round " << round;
    }

    // Two clients fetch the large file at once; the second is done long before the first, which
    // takes its answer in small sips.
    LoopbackClient sipping(port());
    ASSERT_TRUE(sipping.send("GET /big.html HTTP/1.1\r\n\r\n"));
    char sip[1024];
    pollfd entry { sipping.fd(), POLLIN, 0 };
    ASSERT_GT(::poll(&entry, 1, 5000), 0);
    ASSERT_GT(::recv(sipping.fd(), sip, sizeof sip, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::string> whole = exchange(port(), "GET /big.html HTTP/1.1\r\n\r\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->ends_with(fileBytes(run() / "big.html")));
    EXPECT_TRUE(isEstablished(sipping.fd())) << "the sipping client is still being served";
}

std::string procNetTcpAddress(const char* hexAddress, int port)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s:%04X", hexAddress, port);
    return text;
}

// Whether the kernel lists a listening TCP socket with this local address ("0A" is LISTEN).
bool kernelListsListener(const std::string& localAddress)
{
    std::istringstream table(fileBytes("/proc/net/tcp"));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == localAddress && state == "0A")
            return true;
    }
    return false;
}

TEST_F(PageServerTest, ListensOnLoopbackOnly)
{
    EXPECT_EQ(s_server->boundAddress(), "127.0.0.1");
    EXPECT_TRUE(kernelListsListener(procNetTcpAddress("0100007F", port())));
    EXPECT_FALSE(kernelListsListener(procNetTcpAddress("00000000", port())));
}

// Another program's listening socket on 127.0.0.1, at the first free port from `from`.
class PortBlocker
{
public:
    explicit PortBlocker(int from)
    {
        for (int port = from; port <= 65535; ++port) {
            m_fd = inkwell::FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            // Like the server, not put off by closed connections of earlier tests lingering on a port.
            const int on = 1;
            ::setsockopt(m_fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
                && ::listen(m_fd.get(), 1) == 0) {
                m_port = port;
                return;
            }
            m_fd.reset();
        }
    }
    PortBlocker(const PortBlocker&) = delete;
    PortBlocker& operator=(const PortBlocker&) = delete;

    // -1 when every port from `from` on was taken already.
    int port() const { return m_port; }

private:
    inkwell::FileDescriptor m_fd;
    int m_port = -1;
};

TEST(PageServerPorts, SkipsTakenPortsAndFailsWhenNoneIsLeft)
{
    TempFolder temp;
    fillRunFolder(temp.path());

    // The first free port from 8889 is taken by another program: the server moves above it.
    PortBlocker blocker(PageServer::kFirstPort);
    const int taken = blocker.port();
    ASSERT_GE(taken, PageServer::kFirstPort);
    PageServer first(temp.path() / "run");
    ASSERT_TRUE(first.start());
    EXPECT_GT(*first.port(), taken);

    // A second server in the same process cannot share the first one's port.
    PageServer second(temp.path() / "run");
    ASSERT_TRUE(second.start());
    EXPECT_GT(*second.port(), *first.port());
    EXPECT_EQ(exchange(*second.port(), "GET /page HTTP/1.1\r\n\r\n"),
        "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path");

    // The search ends at the last port and reports that nothing was free.
    // If the last port cannot be blocked here, something else holds it already.
    PortBlocker lastBlocker(PageServer::kLastPort);
    PageServer cornered(temp.path() / "run", PageServer::kLastPort);
    const inkwell::Result<void> started = cornered.start();
    ASSERT_FALSE(started.ok());
    EXPECT_EQ(started.error().code, EADDRINUSE) << started.error().message;
    EXPECT_EQ(cornered.port(), std::nullopt);
    EXPECT_EQ(cornered.boundAddress(), std::nullopt);
}

TEST(PageServerLifecycle, StopEndsTheChainEvenWithAClientConnected)
{
    TempFolder temp;
    fillRunFolder(temp.path());
    PageServer server(temp.path() / "run");
    EXPECT_EQ(server.port(), std::nullopt);
    ASSERT_TRUE(server.start());
    const inkwell::Result<void> again = server.start();
    ASSERT_FALSE(again.ok()) << "already running";
    EXPECT_EQ(again.error().code, EALREADY);
    const int port = *server.port();

    LoopbackClient silent(port);
    ASSERT_TRUE(silent.isConnected());
    std::this_thread::sleep_for(100ms); // let the worker take the silent connection first
    const auto start = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(server.port(), std::nullopt);
    EXPECT_FALSE(LoopbackClient(port).isConnected()) << "nobody listens after stop";

    ASSERT_TRUE(server.start()) << "a stopped server starts again";
    EXPECT_EQ(exchange(*server.port(), "GET /page HTTP/1.1\r\n\r\n"),
        "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\ncut path");
    server.stop();
    server.stop();
}

TEST(PageServerLifecycle, DoesNotStartWithoutItsRunFolder)
{
    TempFolder temp;
    PageServer server(temp.path() / "absent");
    const inkwell::Result<void> started = server.start();
    ASSERT_FALSE(started.ok());
    EXPECT_EQ(started.error().code, ENOENT) << started.error().message;
    EXPECT_EQ(server.port(), std::nullopt);
}

} // namespace

namespace {

// Clients that say nothing and connect again as soon as they are dropped, and one that trickles its
// head a byte at a time: none of them keeps an ordinary request waiting, and each is dropped once
// its time is up.
TEST_F(PageServerTest, SilentAndTricklingClientsDoNotHoldUpOthers)
{
    std::atomic<bool> done = false;
    std::atomic<int> reconnects = 0;
    std::thread silentOnes([&] {
        std::vector<std::unique_ptr<LoopbackClient>> clients;
        for (int i = 0; i < 20; ++i)
            clients.push_back(std::make_unique<LoopbackClient>(port()));
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (!done && std::chrono::steady_clock::now() < end) {
            std::vector<pollfd> fds;
            for (const auto& client : clients)
                fds.push_back(pollfd { client->fd(), POLLIN, 0 });
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            for (std::size_t i = 0; i < clients.size(); ++i) {
                char byte;
                if (fds[i].revents != 0 && ::recv(clients[i]->fd(), &byte, 1, MSG_DONTWAIT) <= 0) {
                    clients[i] = std::make_unique<LoopbackClient>(port());
                    ++reconnects;
                }
            }
        }
    });

    // How long after connecting the trickling client was dropped, and what it was sent.
    std::future<std::pair<std::chrono::milliseconds, std::string>> trickled
        = std::async(std::launch::async, [&] {
              LoopbackClient client(port());
              const auto connected = std::chrono::steady_clock::now();
              const std::string head
                  = "GET /style.css HTTP/1.1\r\nX-Slow: " + std::string(500, 's') + "\r\n\r\n";
              std::string received;
              for (std::size_t i = 0; i < head.size() && !done; ++i) {
                  if (!client.send(head.substr(i, 1)))
                      break;
                  pollfd entry { client.fd(), POLLIN, 0 };
                  if (::poll(&entry, 1, 100) > 0) {
                      char buffer[4096];
                      const ssize_t got = ::recv(client.fd(), buffer, sizeof buffer, 0);
                      if (got <= 0)
                          break;
                      received.append(buffer, static_cast<std::size_t>(got));
                  }
              }
              return std::pair(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - connected),
                  received);
          });

    std::this_thread::sleep_for(500ms); // let them all take their places
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(exchange(port(), "GET /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nContent-Type:text/css\r\nServer: Wisp beta\r\n\r\nb{color:red}");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << "round " << round;
        std::this_thread::sleep_for(1500ms); // the next round meets the silent clients at another point
    }

    const auto [tricklerHeld, tricklerGot] = trickled.get();
    done = true;
    silentOnes.join();
    EXPECT_GT(reconnects.load(), 0) << "the silent clients were never dropped";
    EXPECT_EQ(tricklerGot, "") << "the trickling client got an answer";
    EXPECT_GE(tricklerHeld, PageServer::kClientTimeout - 100ms);
    EXPECT_LT(tricklerHeld, PageServer::kClientTimeout + 1500ms) << "the trickling client was not dropped";
}

// renameat2 with RENAME_EXCHANGE swaps two entries in one step.
bool exchangeEntries(const std::filesystem::path& a, const std::filesystem::path& b)
{
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// A folder that passes the check by name is swapped, again and again, with a link to a folder
// outside; whatever the server opens in between, nothing from outside reaches a client: neither
// the bytes of a file there nor the empty answer that tells a folder there exists.
TEST(PageServerRaces, FolderSwappedWithALinkNeverServesWhatLiesOutside)
{
    TempFolder temp;
    const std::filesystem::path run = temp.path() / "run";
    const std::string secret = "SECRET-OUTSIDE-THE-RUN-FOLDER";
    writeFile(run / "swap" / "page.html", "inside");
    writeFile(temp.path() / "outside" / "page.html", secret);
    // A file inside, a folder of the same name outside.
    writeFile(run / "swap" / "entry.txt", "inside entry");
    std::filesystem::create_directories(temp.path() / "outside" / "entry.txt");
    std::filesystem::create_directory_symlink(temp.path() / "outside", run / "link");
    PageServer server(run);
    ASSERT_TRUE(server.start());

    std::atomic<bool> done = false;
    std::atomic<long> swaps = 0;
    std::thread swapper([&] {
        while (!done) {
            if (exchangeEntries(run / "swap", run / "link"))
                ++swaps;
        }
    });
    int inside = 0;
    int outside = 0;
    int notFound = 0;
    int other = 0;
    const std::string insideEntry = "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\n";
    const auto end = std::chrono::steady_clock::now() + 4s;
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        const bool askForEntry = round % 2 == 1;
        const std::string answer = exchange(*server.port(),
            askForEntry ? "GET /swap/entry.txt HTTP/1.1\r\n\r\n" : "GET /swap/page.html HTTP/1.1\r\n\r\n")
                                       .value_or("");
        if (answer.find(secret) != std::string::npos || (askForEntry && answer == insideEntry))
            ++outside;
        else if (answer == "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\nServer: Wisp beta\r\n\r\ninside"
            || answer == insideEntry + "inside entry")
            ++inside;
        else if (answer == kNotFound)
            ++notFound;
        else
            ++other;
    }
    done = true;
    swapper.join();
    EXPECT_EQ(outside, 0) << "of " << inside + outside + notFound + other << " answers";
    EXPECT_GT(inside, 0);
    EXPECT_GT(notFound, 0) << "the swap never caught the check";
    EXPECT_EQ(other, 0);
    EXPECT_GT(swaps.load(), 0);
}

// Reads the first bytes of a large file's answer, takes what else has already arrived, and leaves:
// the server's next sends then meet a connection closed on the other side.
bool readALittleAndLeave(int port)
{
    LoopbackClient client(port);
    if (!client.isConnected() || !client.send("GET /large.bin HTTP/1.1\r\n\r\n"))
        return false;
    pollfd entry { client.fd(), POLLIN, 0 };
    char buffer[65536];
    if (::poll(&entry, 1, 5000) <= 0 || ::recv(client.fd(), buffer, 1000, 0) <= 0)
        return false;
    while (::recv(client.fd(), buffer, sizeof buffer, MSG_DONTWAIT) > 0) { }
    return true;
}

// sendfile() raises SIGPIPE in the sending thread when the client has gone, and SIGPIPE's default
// action ends the process. The host process here keeps that default, as a plain program does.
TEST(PageServerSignals, ClientsLeavingInTheMiddleOfAFileLeaveTheHostRunning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGPIPE, SIG_DFL);
            bool allDone = true;
            {
                TempFolder temp;
                writeFile(temp.path() / "large.bin", std::string(32 * 1024 * 1024, 'L'));
                writeFile(temp.path() / "small.txt", "small");
                PageServer server(temp.path());
                allDone = server.start().ok();
                for (int attempt = 0; allDone && attempt < 5; ++attempt) {
                    allDone = readALittleAndLeave(*server.port());
                    // Answered only once the worker has finished with the client that left.
                    allDone = allDone
                        && exchange(*server.port(), "GET /small.txt HTTP/1.1\r\n\r\n")
                            == "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\nsmall";
                }
            }
            std::exit(allDone ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
