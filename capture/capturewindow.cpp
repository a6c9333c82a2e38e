#include "capture/capturewindow.h"

#include "capture/capturecursor.h"
#include "capture/infopanel.h"
#include "capture/overlayfont.h"
#include "capture/panelbackground.h"
#include "capture/panellayout.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QtMath>
#include <cmath>

namespace inkwell {
namespace {

// The logical pixel under the pointer. On a scaled screen positions fall between logical
// pixels; rounding down picks the one whose device pixels hold the pointer.
CapturePoint pointOf(QPointF position)
{
    return { qFloor(position.x()), qFloor(position.y()) };
}

QSize logicalSizeOf(const QImage& frozen)
{
    return frozen.deviceIndependentSize().toSize();
}

KeyModifiers modifiersOf(Qt::KeyboardModifiers m)
{
    return { .ctrl = m.testFlag(Qt::ControlModifier),
        .shift = m.testFlag(Qt::ShiftModifier),
        .alt = m.testFlag(Qt::AltModifier) };
}

} // namespace

CaptureWindow::CaptureWindow(QImage frozen, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | Qt::NoDropShadowWindowHint)
    , m_session(logicalSizeOf(frozen).width(), logicalSizeOf(frozen).height())
    , m_frozen(frozen.convertToFormat(QImage::Format_RGB32))
    , m_font(overlayFont())
    , m_panelComposer(makePanelBackground(frozen.devicePixelRatio()), m_font)
{
    setWindowTitle(QString());
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel comes from the composition
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(captureCursor());
    setFixedSize(logicalSizeOf(m_frozen));
    m_composed = m_frozen;

    m_panel = new InfoPanel(this);
    m_panel->setGeometry(kPanelX, kPanelY, kPanelWidth, kPanelHeight);
    m_panel->setCursor(captureCursor());
    m_panel->setOnPointerOver([this](QPoint p) { movePanelAway({ p.x(), p.y() }); });
}

CaptureWindow::~CaptureWindow() = default;

void CaptureWindow::start()
{
    setWindowModality(Qt::ApplicationModal);
    create();
    // Widgets get pointer positions rounded to whole logical pixels; on a scaled screen the
    // window's own events still say which device pixel the pointer is on.
    if (QWindow* handle = windowHandle())
        handle->installEventFilter(this);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QRect(screen->geometry().topLeft(), logicalSizeOf(m_frozen)));
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void CaptureWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_position = mapFromGlobal(QCursor::pos().toPointF());
    perform(m_session.repaint(pointOf(m_position)));
}

void CaptureWindow::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect r = event->rect();
    // The composition holds device pixels; the painter maps the logical rectangle onto them.
    const qreal d = m_composed.devicePixelRatio();
    p.drawImage(QRectF(r), m_composed, QRectF(r.x() * d, r.y() * d, r.width() * d, r.height() * d));
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (watched == windowHandle())
            m_windowPosition = static_cast<QMouseEvent*>(event)->position();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QPointF CaptureWindow::exactPosition(const QMouseEvent* event) const
{
    // The window covers the screen from its origin, so its positions are this widget's. An
    // event that did not come through the window (or a stale position) is taken as it is.
    const QPointF rounded = event->position();
    if (m_windowPosition && std::abs(m_windowPosition->x() - rounded.x()) <= 0.5
        && std::abs(m_windowPosition->y() - rounded.y()) <= 0.5)
        return *m_windowPosition;
    return rounded;
}

void CaptureWindow::mousePressEvent(QMouseEvent* event)
{
    m_position = exactPosition(event);
    if (event->button() == Qt::LeftButton)
        perform(m_session.press(pointOf(m_position)));
}

void CaptureWindow::mouseMoveEvent(QMouseEvent* event)
{
    m_position = exactPosition(event);
    perform(m_session.move(pointOf(m_position)));
}

void CaptureWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_position = exactPosition(event);
    if (event->button() == Qt::LeftButton)
        perform(m_session.release(pointOf(m_position)));
    else if (event->button() == Qt::RightButton)
        perform(m_session.rightRelease(pointOf(m_position)));
}

void CaptureWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Not forwarded as a press: the double-click alone decides whether to commit.
    m_position = exactPosition(event);
    if (event->button() == Qt::LeftButton)
        perform(m_session.doubleClick(pointOf(m_position)));
}

void CaptureWindow::keyPressEvent(QKeyEvent* event)
{
    const CaptureKey key = event->key() == Qt::Key_Escape ? CaptureKey::Escape : CaptureKey::Other;
    perform(m_session.keyPress(key, modifiersOf(event->modifiers())));
}

void CaptureWindow::closeEvent(QCloseEvent* event)
{
    const CloseAnswer answer = m_session.closeRequested();
    perform(answer.actions);
    if (!answer.allow) {
        event->ignore();
        return;
    }
    event->accept();
    releaseKeyboard();
    if (!m_finished) {
        m_finished = true;
        emit finished();
    }
}

void CaptureWindow::perform(const CaptureActions& actions)
{
    for (const CaptureAction& a : actions) {
        switch (a.kind) {
        case CaptureActionKind::GrabMouse:
        case CaptureActionKind::ReleaseMouse:
            // Qt grabs the pointer for the widget that took the press until its release,
            // which is all the session asks for; an explicit grab would outlive a lost release.
            break;
        case CaptureActionKind::Redraw: {
            std::optional<CapturePoint> infoBox;
            if (a.infoBox && !pointerOverPanel(a.pointer))
                infoBox = a.pointer;
            composeCapture(m_composed, m_frozen, a.rect, infoBox, m_colours, m_font);
            update();
            break;
        }
        case CaptureActionKind::ShowFrozen:
            m_composed = m_frozen;
            update();
            break;
        case CaptureActionKind::SetPointer:
            setCursor(cursorFor(a.shape));
            break;
        case CaptureActionKind::DrawPanel:
            drawPanel(a.pointer, a.help);
            if (pointerOverPanel(a.pointer))
                movePanelAway(a.pointer);
            break;
        case CaptureActionKind::Commit: {
            // Cut from the frozen picture, never from the composition: no overlay gets in. The
            // picture keeps every device pixel of the selection.
            const CaptureRect r = toDevicePixels(a.rect, ratio());
            QImage picture = m_frozen.copy(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
            picture.setDevicePixelRatio(1.0);
            QGuiApplication::clipboard()->setImage(picture);
            break;
        }
        case CaptureActionKind::Close:
            close();
            break;
        }
    }
}

bool CaptureWindow::pointerOverPanel(CapturePoint pointer) const
{
    return m_panel->isVisible() && m_panel->geometry().contains(QPoint(pointer.x, pointer.y));
}

QRgb CaptureWindow::displayedPixel(CapturePoint pointer) const
{
    // The device pixel under the pointer: the last reported position where it lies in this
    // logical pixel (a scaled screen has several device pixels in each), else the first.
    const qreal d = ratio();
    const QPointF exact = pointOf(m_position) == pointer ? m_position : QPointF(pointer.x, pointer.y);
    const QPoint device(qFloor(exact.x() * d), qFloor(exact.y() * d));
    if (pointerOverPanel(pointer)) {
        const QPoint local = device - m_panel->pos() * d;
        if (m_panelPicture.rect().contains(local))
            return m_panelPicture.pixel(local);
    }
    if (m_composed.rect().contains(device))
        return m_composed.pixel(device);
    return qRgb(0, 0, 0);
}

void CaptureWindow::drawPanel(CapturePoint pointer, PanelHelp help)
{
    m_panelComposer.compose(
        m_panelPicture, m_panel->width(), m_panel->height(), help, displayedPixel(pointer));
    m_panel->setPicture(m_panelPicture);
}

void CaptureWindow::movePanelAway(CapturePoint pointer)
{
    m_panel->move(panelLeftAway(pointer.x, width(), m_panel->width()), m_panel->y());
}

} // namespace inkwell
