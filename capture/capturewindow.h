// The full-screen window of capture mode: shows the frozen screen, feeds mouse and key
// events to the capture session and carries out the actions it returns.
#pragma once

#include "capture/capturesession.h"
#include "capture/overlaypainter.h"

#include <QFont>
#include <QImage>
#include <QWidget>
#include <optional>

namespace inkwell {

class InfoPanel;

class CaptureWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CaptureWindow)
public:
    // `frozen` is the whole primary screen, taken before this window is shown, in device
    // pixels at its devicePixelRatio(); the window covers its logical size.
    explicit CaptureWindow(QImage frozen, QWidget* parent = nullptr);
    ~CaptureWindow() override;

    // Shows the window over the whole primary screen, on top, with keyboard input.
    void start();

    [[nodiscard]] bool captured() const { return m_session.captured(); }
    // Device pixels per logical pixel of the frozen screen.
    [[nodiscard]] qreal ratio() const { return m_frozen.devicePixelRatio(); }
    [[nodiscard]] const CaptureSession& session() const { return m_session; }
    // What the window shows now, without the panel, in device pixels.
    [[nodiscard]] const QImage& composed() const { return m_composed; }
    [[nodiscard]] InfoPanel* panel() const { return m_panel; }

signals:
    // The run is over: the window has accepted its close.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void perform(const CaptureActions& actions);
    void drawPanel(CapturePoint pointer, PanelHelp help);
    void movePanelAway(CapturePoint pointer);
    [[nodiscard]] bool pointerOverPanel(CapturePoint pointer) const;
    [[nodiscard]] QRgb displayedPixel(CapturePoint pointer) const;
    [[nodiscard]] QPointF exactPosition(const QMouseEvent* event) const;

    CaptureSession m_session;
    QImage m_frozen;
    QImage m_composed;
    QImage m_panelPicture;
    QFont m_font;
    OverlayColours m_colours;
    PanelComposer m_panelComposer;
    InfoPanel* m_panel = nullptr;
    bool m_finished = false;
    QPointF m_position {}; // last pointer position an event reported, logical pixels
    std::optional<QPointF> m_windowPosition; // the same from the window, before widgets round it
};

} // namespace inkwell
