#include "platform/screenshotportal.h"

#include "core/readfile.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace inkwell {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kConnectionName = QStringLiteral("inkwell-screenshot-portal");

// Receives the Response signal of one portal request.
class ResponseWaiter : public QObject
{
    Q_OBJECT
public:
    std::optional<uint> response;
    QVariantMap results;

signals:
    void answered();

public slots:
    void onResponse(uint code, const QVariantMap& values)
    {
        if (response)
            return;
        response = code;
        results = values;
        emit answered();
    }
};

// A connection of our own, made anew for every request: the session bus address is read
// when the picture is wanted, and nothing of the portal's stays behind afterwards.
QDBusConnection connectSessionBus()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(address, kConnectionName);
}

bool subscribe(QDBusConnection& bus, const QString& requestPath, ResponseWaiter* waiter)
{
    return bus.connect(kService, requestPath, kRequestInterface, QStringLiteral("Response"), waiter,
        SLOT(onResponse(uint, QVariantMap)));
}

std::optional<QImage> askPortal(QDBusConnection& bus, int timeoutMs)
{
    if (!bus.isConnected())
        return std::nullopt;
    // The request object's path is known from our unique name and the token, so the answer
    // is listened for before the call: a fast portal cannot answer before anyone listens.
    const QString token = QStringLiteral("inkwell%1").arg(QRandomGenerator::global()->generate());
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expected = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    ResponseWaiter waiter;
    subscribe(bus, expected, &waiter);

    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString() // no parent window the portal could use
         << QVariantMap { { QStringLiteral("handle_token"), token },
                { QStringLiteral("interactive"), false } };

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&waiter, &ResponseWaiter::answered, &loop, &QEventLoop::quit);
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, timeoutMs));
    bool failed = false;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        const QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            failed = true; // no portal on this bus, or it would not take the request
            loop.quit();
            return;
        }
        // Portals older than the token rule choose their own path.
        if (reply.value().path() != expected)
            subscribe(bus, reply.value().path(), &waiter);
    });
    timer.start(timeoutMs);
    if (!waiter.response && !failed)
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    // 0 is success; 1 the user refused, 2 anything else.
    if (!waiter.response || *waiter.response != 0)
        return std::nullopt;
    const QUrl uri(waiter.results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        return std::nullopt;
    // The portal names a file; read it only as a regular file, so that a named pipe or a device there
    // cannot hold the window's thread in open or read.
    const Result<std::string> bytes = readFile(QFile::encodeName(uri.toLocalFile()).toStdString());
    if (!bytes)
        return std::nullopt;
    const QImage picture
        = QImage::fromData(QByteArrayView(bytes->data(), static_cast<qsizetype>(bytes->size())));
    if (picture.isNull())
        return std::nullopt;
    return picture;
}

} // namespace

std::optional<QImage> screenshotFromPortal(int timeoutMs)
{
    std::optional<QImage> picture;
    {
        QDBusConnection bus = connectSessionBus();
        picture = askPortal(bus, timeoutMs);
    }
    QDBusConnection::disconnectFromBus(kConnectionName);
    return picture;
}

} // namespace inkwell

#include "screenshotportal.moc"
