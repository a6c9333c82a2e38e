// What keeping a recovery copy of a large page costs the user: the real main window holds a page of
// about 5 MB made from real pages; after each edit, the time the UI thread is blocked while the copy
// is read from the engine and handed to the writer. A 1 ms timer runs on the UI thread throughout; the
// longest gap between its ticks is the longest a key press would have waited. Needs a display.
// Usage: build/bench/inkwell_recovery_bench [rounds]   (under xvfb-run -a)
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "core/inifile.h"
#include "tests/support/tempfolder.h"
#include "tests/support/windowenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Bodies of the real pages, repeated until the page holds about `bytes` of markup.
QString largePage(std::size_t bytes)
{
    QString body;
    std::vector<QString> bodies;
    for (const auto& entry : fs::directory_iterator(fs::path(INKWELL_SOURCE_DIR) / "tests/data/pages")) {
        if (entry.path().extension() != ".html")
            continue;
        const QString page = QString::fromStdString(inkwell::testing::ReadFile(entry.path()));
        const auto start = page.indexOf(QLatin1String("<body"));
        const auto end = page.lastIndexOf(QLatin1String("</body>"));
        if (start >= 0 && end > start)
            bodies.push_back(QStringLiteral("<div>") + page.mid(page.indexOf(u'>', start) + 1, end - start)
                + QStringLiteral("</div>"));
    }
    for (std::size_t i = 0; std::size_t(body.size()) < bytes && !bodies.empty(); ++i)
        body += bodies[i % bodies.size()];
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>large</title></head><body>") + body
        + QStringLiteral("</body></html>");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path binaryDir = INKWELL_BINARY_DIR;
    const inkwell::testing::WindowEnvironment environment(binaryDir / "bench");
    QApplication app(argc, argv);

    inkwell::testing::TempFolder run(binaryDir / "bench-runs");
    fs::create_directories(run.path() / "system");
    (void)inkwell::IniFile(run.path() / "system" / "guid.ini").write("向导", "是否显示", "假");
    inkwell::MainWindow window(run.path());
    if (!window.runCreationSequence())
        return 1;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);

    const QString page = largePage(5 * 1000 * 1000);
    window.designView().loadHtml(page);
    window.designView().editModeOn();
    window.documentStatus().markLoaded(window.designView().getHtml().toStdString());
    std::printf("page: %.1f MB of markup\n", double(page.toUtf8().size()) / 1e6);

    // Gaps between ticks of a 1 ms timer on the UI thread: how long anything waiting there waited.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    const auto record = window.recoveryCopy().recordPath();
    auto stamp = [&] {
        std::error_code ec;
        return fs::last_write_time(record, ec);
    };

    // The idle loop alone, for comparison: the timer's own jitter on this machine.
    lastTick = clock.nsecsElapsed();
    longestGap = 0;
    ticker.start();
    QTest::qWait(2000);
    const double idleGap = double(longestGap) / 1e6;

    std::vector<double> gaps;
    std::vector<double> latencies;
    for (int i = 0; i < rounds; ++i) {
        const auto before = stamp();
        // An edit by script: the change watch reports it as it reports any other edit.
        (void)window.designView().engine()->evaluate(
            QStringLiteral("document.body.appendChild(document.createTextNode(' edit %1'));true").arg(i));
        const qint64 edited = clock.nsecsElapsed();
        lastTick = edited;
        longestGap = 0;
        while (stamp() == before)
            QTest::qWait(5);
        gaps.push_back(double(longestGap) / 1e6);
        latencies.push_back(double(clock.nsecsElapsed() - edited) / 1e9);
        std::printf("round %d: longest UI stall %.1f ms, copy on disk %.1f s after the edit\n", i,
            gaps.back(), latencies.back());
        std::fflush(stdout);
    }
    ticker.stop();
    const auto copied = window.recoveryCopy().read();
    std::printf("idle loop: longest gap %.1f ms over 2 s\n", idleGap);
    std::printf(
        "recovery write of %.1f MB: median longest UI stall %.1f ms (max %.1f), median delay edit -> copy "
        "%.1f s; last copy holds the last edit: %s\n",
        double(copied.page.html.size()) / 1e6, median(gaps), *std::max_element(gaps.begin(), gaps.end()),
        median(latencies),
        copied.page.html.find(" edit " + std::to_string(rounds - 1)) != std::string::npos ? "yes" : "NO");
    window.documentStatus().markLoaded(std::string()); // no question on the way out
    return 0;
}
