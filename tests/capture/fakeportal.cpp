// A stand-in for the desktop's screenshot portal on a private session bus, for the capture
// tests: `capture_fake_portal answer <png>` answers a non-interactive request with the PNG;
// `capture_fake_portal refuse` answers every request as the user refusing.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>

class FakeScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    FakeScreenshotPortal(bool answer, QString png)
        : m_answer(answer)
        , m_png(std::move(png))
    {
    }

public slots:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& options)
    {
        Q_UNUSED(parentWindow);
        const QString sender = message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender
            + QLatin1Char('/') + options.value(QStringLiteral("handle_token")).toString();
        // A real portal would ask the user on an interactive request; this one answers only
        // requests that ask for no dialog.
        const bool quiet = options.value(QStringLiteral("interactive"), true).toBool() == false;
        const uint code = !m_answer ? 1u : (quiet ? 0u : 2u);
        QVariantMap results;
        if (code == 0)
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(m_png).toString());
        // Answered a little later, as a portal does after its own work.
        QTimer::singleShot(50, this, [path, code, results] {
            QDBusMessage signal = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            signal << code << results;
            QDBusConnection::sessionBus().send(signal);
        });
        std::printf("request %s interactive=%s\n", qPrintable(path), quiet ? "false" : "true");
        std::fflush(stdout);
        return QDBusObjectPath(path);
    }

private:
    bool m_answer;
    QString m_png;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    FakeScreenshotPortal portal(args[1] == QStringLiteral("answer"), args.value(2));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(
            QStringLiteral("/org/freedesktop/portal/desktop"), &portal, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "fakeportal.moc"
