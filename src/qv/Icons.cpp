#include "qv/Icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <memory>

namespace Icons {

namespace {

void drawBell(QPainter& p, int s, const QColor& body) {
    QPainterPath bell;
    bell.moveTo(s * 0.18, s * 0.78);
    bell.cubicTo(s * 0.28, s * 0.62, s * 0.22, s * 0.18, s * 0.5, s * 0.14);
    bell.cubicTo(s * 0.78, s * 0.18, s * 0.72, s * 0.62, s * 0.82, s * 0.78);
    bell.closeSubpath();
    p.setPen(QPen(body.darker(160), s / 16.0));
    p.setBrush(body);
    p.drawPath(bell);
    p.drawEllipse(QPointF(s * 0.5, s * 0.84), s * 0.09, s * 0.09);
}

void drawEnvelope(QPainter& p, int s, const QColor& body) {
    const QRectF r(s * 0.46, s * 0.5, s * 0.5, s * 0.36);
    p.setPen(QPen(body.darker(170), s / 20.0));
    p.setBrush(body);
    p.drawRect(r);
    p.drawLine(r.topLeft(), QPointF(r.center().x(), r.center().y() + s * 0.04));
    p.drawLine(r.topRight(), QPointF(r.center().x(), r.center().y() + s * 0.04));
}

QPixmap draw(const QString& name, int s) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor on(0xF2, 0xB7, 0x05), off(0xA0, 0xA0, 0xA0);
    if (name == "ICN_ACTIVADO") {
        drawBell(p, s, on);
    } else if (name == "ICN_DESACTIVADO") {
        drawBell(p, s, off);
        p.setPen(QPen(QColor(0xC0, 0x20, 0x20), s / 9.0));
        p.drawLine(QPointF(s * 0.15, s * 0.15), QPointF(s * 0.85, s * 0.85));
    } else if (name == "ICN_GOMAIL") {
        drawBell(p, s, on);
        drawEnvelope(p, s, QColor(0x4A, 0x90, 0xD9));
    } else if (name == "ICN_STOPMAIL") {
        drawBell(p, s, off);
        drawEnvelope(p, s, off.lighter(115));
    } else if (name == "ICN_EXEC") {
        p.setPen(QPen(QColor(0x2E, 0x8B, 0x57), s / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF(
            {QPointF(s * 0.18, s * 0.55), QPointF(s * 0.42, s * 0.78), QPointF(s * 0.84, s * 0.22)}));
    } else if (name == "APP") {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 64, 128));
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
        drawBell(p, s, on);
    } else {
        return {};
    }
    return pm;
}

QIcon drawn(const QString& name) {
    QIcon icon;
    for (int s : {16, 22, 32, 48})
        icon.addPixmap(draw(name, s));
    return icon;
}

// Stands for the icon `make` gives until something needs its pixels or sizes.
class LazyIconEngine : public QIconEngine {
public:
    explicit LazyIconEngine(std::function<QIcon()> make) : m_state(std::make_shared<State>()) {
        m_state->make = std::move(make);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("OrbalinderLazy"); }
    QIconEngine* clone() const override { return new LazyIconEngine(*this); }

private:
    struct State {
        std::function<QIcon()> make;
        QIcon icon;
        bool made = false;
    };
    const QIcon& icon() {
        if (!m_state->made) {
            m_state->icon = m_state->make();
            m_state->made = true;
            m_state->make = nullptr;
        }
        return m_state->icon;
    }
    std::shared_ptr<State> m_state; // copies share the one icon
};

} // namespace

QPixmap pixmap(const QString& name, int size) {
    return draw(name, size);
}

QIcon lazy(std::function<QIcon()> make) {
    return QIcon(new LazyIconEngine(std::move(make)));
}

QIcon byName(const QString& name) {
    static const QStringList known = {"ICN_ACTIVADO", "ICN_DESACTIVADO", "ICN_GOMAIL",
                                      "ICN_STOPMAIL", "ICN_EXEC",        "APP"};
    if (!known.contains(name)) return {};
    return lazy([name] { return drawn(name); });
}

QIcon application() {
    return byName("APP");
}

} // namespace Icons
