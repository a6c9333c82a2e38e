// The information panel child of the capture window (control 图片框1): shows the picture
// the window composes for it and asks the window to move it away when the pointer enters.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace inkwell {

class InfoPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(InfoPanel)
public:
    explicit InfoPanel(QWidget* parent);

    void setPicture(const QImage& picture);
    [[nodiscard]] const QImage& picture() const { return m_picture; }
    // Called with the pointer position in the parent's coordinates when it moves over the panel.
    void setOnPointerOver(std::function<void(QPoint)> handler) { m_onPointerOver = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    std::function<void(QPoint)> m_onPointerOver;
};

} // namespace inkwell
