#include "capture/infopanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace inkwell {

InfoPanel::InfoPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("图片框1"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void InfoPanel::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void InfoPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_picture);
}

void InfoPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_onPointerOver)
        m_onPointerOver(mapToParent(event->position().toPoint()));
    event->accept();
}

} // namespace inkwell
