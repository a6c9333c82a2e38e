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

namespace {

CapturePoint PointOf(const QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    return { p.x(), p.y() };
}

int ModifiersOf(Qt::KeyboardModifiers m)
{
    int bits = 0;
    if (m & Qt::ControlModifier)
        bits |= CaptureModCtrl;
    if (m & Qt::ShiftModifier)
        bits |= CaptureModShift;
    if (m & Qt::AltModifier)
        bits |= CaptureModAlt;
    return bits;
}

} // namespace

CaptureWindow::CaptureWindow(QImage frozen, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | Qt::NoDropShadowWindowHint)
    , m_session(frozen.width(), frozen.height())
    , m_frozen(frozen.convertToFormat(QImage::Format_RGB32))
    , m_font(OverlayFont())
    , m_panelComposer(MakePanelBackground(), m_font)
{
    m_frozen.setDevicePixelRatio(1.0);
    setWindowTitle(QString());
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel comes from the composition
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(CaptureCursor());
    setFixedSize(m_frozen.size());
    m_composed = m_frozen;

    m_panel = new InfoPanel(this);
    m_panel->setGeometry(kPanelX, kPanelY, kPanelWidth, kPanelHeight);
    m_panel->setCursor(CaptureCursor());
    m_panel->setOnPointerOver([this](QPoint p) { movePanelAway({ p.x(), p.y() }); });
}

CaptureWindow::~CaptureWindow() = default;

void CaptureWindow::start()
{
    setWindowModality(Qt::ApplicationModal);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QRect(screen->geometry().topLeft(), m_frozen.size()));
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void CaptureWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const QPoint p = mapFromGlobal(QCursor::pos());
    perform(m_session.repaint({ p.x(), p.y() }));
}

void CaptureWindow::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), m_composed, r);
}

void CaptureWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        perform(m_session.press(PointOf(event)));
}

void CaptureWindow::mouseMoveEvent(QMouseEvent* event)
{
    perform(m_session.move(PointOf(event)));
}

void CaptureWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        perform(m_session.release(PointOf(event)));
    else if (event->button() == Qt::RightButton)
        perform(m_session.rightRelease(PointOf(event)));
}

void CaptureWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Not forwarded as a press: the double-click alone decides whether to commit.
    if (event->button() == Qt::LeftButton)
        perform(m_session.doubleClick(PointOf(event)));
}

void CaptureWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        perform(m_session.keyPress(kCaptureKeyEscape, ModifiersOf(event->modifiers())));
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
            ComposeCapture(m_composed, m_frozen, a.rect, infoBox, m_colours, m_font);
            update();
            break;
        }
        case CaptureActionKind::ShowFrozen:
            m_composed = m_frozen;
            update();
            break;
        case CaptureActionKind::SetPointer:
            setCursor(CursorFor(a.shape));
            break;
        case CaptureActionKind::DrawPanel:
            drawPanel(a.pointer, a.help);
            if (pointerOverPanel(a.pointer))
                movePanelAway(a.pointer);
            break;
        case CaptureActionKind::Commit: {
            const CaptureRect& r = a.rect;
            // Cut from the frozen picture, never from the composition: no overlay gets in.
            m_picture = m_frozen.copy(r.left, r.top, r.width(), r.height());
            QGuiApplication::clipboard()->setImage(m_picture);
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
    const QPoint p(pointer.x, pointer.y);
    if (pointerOverPanel(pointer)) {
        const QPoint local = p - m_panel->pos();
        if (m_panelPicture.rect().contains(local))
            return m_panelPicture.pixel(local);
    }
    if (m_composed.rect().contains(p))
        return m_composed.pixel(p);
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
    m_panel->move(PanelLeftAway(pointer.x, width(), m_panel->width()), m_panel->y());
}
