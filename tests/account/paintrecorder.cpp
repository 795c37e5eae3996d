#include "paintrecorder.h"

#include <QPainterPath>

class PaintRecorder::Engine final : public QPaintEngine {
public:
    Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &changed) override
    {
        if (changed.state() & QPaintEngine::DirtyBrush)
            m_brush = changed.brush();
        if (changed.state() & QPaintEngine::DirtyClipPath)
            m_clip = changed.clipOperation() == Qt::NoClip ? QRectF()
                                                           : changed.clipPath().boundingRect();
        if (changed.state() & QPaintEngine::DirtyClipRegion)
            m_clip = changed.clipOperation() == Qt::NoClip
                         ? QRectF()
                         : QRectF(changed.clipRegion().boundingRect());
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_rects.append({rects[i], m_brush, m_clip});
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}

    QVector<DrawnRect> m_rects;

private:
    QBrush m_brush;
    QRectF m_clip;
};

PaintRecorder::PaintRecorder(int width, int height)
    : m_width(width), m_height(height), m_engine(std::make_unique<Engine>())
{
}

PaintRecorder::~PaintRecorder() = default;

QPaintEngine *PaintRecorder::paintEngine() const
{
    return m_engine.get();
}

QVector<DrawnRect> PaintRecorder::rects() const
{
    return m_engine->m_rects;
}

int PaintRecorder::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_width;
    case PdmHeight:
        return m_height;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return 0;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmWidthMM:
        return m_width * 254 / 960;
    case PdmHeightMM:
        return m_height * 254 / 960;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
