#include <QBuffer>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "maps/outline_file.h"
#include "maps/outline_plot.h"

namespace {

void checkInside(const std::vector<morvel::DrawOp>& ops, float width, float top, float bottom) {
    for (const auto& op : ops)
        if (!std::isfinite(op.x) || !std::isfinite(op.y) || op.x < 0 || op.x > width ||
            op.y < top || op.y > bottom)
            std::abort();
}

}  // namespace

// Any outline file reads whole records only, and both plot routines draw
// inside their views whatever the points and the field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::vector<morvel::OutlinePoint> points;
    QString error;
    if (!morvel::readOutline(buffer, points, error) || points.size() != size / 6) std::abort();
    const float west = size > 0 ? static_cast<float>(data[0] % 18 * 20) : 0;
    const float south = size > 1 ? static_cast<float>(data[1] % 18 * 10) - 90 : -90;
    std::vector<morvel::DrawOp> ops;
    morvel::plotFieldView(points, morvel::fieldOrigin(west, south), ops);
    checkInside(ops, morvel::kFieldViewWidth, 0, morvel::kFieldViewHeight);
    ops.clear();
    morvel::plotWorldMap(points, ops);
    for (const auto& op : ops)
        if (!std::isfinite(op.x) || !std::isfinite(op.y)) std::abort();
    return 0;
}
