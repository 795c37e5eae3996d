#pragma once
// A paint device that keeps every rectangle drawn on it, with the brush and
// clip in effect, so tests can check drawing geometry exactly.

#include <QBrush>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QRectF>
#include <QVector>

#include <memory>

struct DrawnRect {
    QRectF rect;
    QBrush brush;
    QRectF clip; // empty when no clip was set
};

class PaintRecorder final : public QPaintDevice {
public:
    PaintRecorder(int width, int height);
    ~PaintRecorder() override;

    QPaintEngine *paintEngine() const override;
    QVector<DrawnRect> rects() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    int m_width;
    int m_height;
    std::unique_ptr<Engine> m_engine;
};
