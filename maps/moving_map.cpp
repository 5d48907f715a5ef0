#include "maps/moving_map.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QStringList>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <map>
#include <mutex>
#include <tuple>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

#include "database/qra_names.h"
#include "geo/locator.h"
#include "maps/canvas.h"
#include "maps/field_view_renderer.h"
#include "maps/map_export.h"
#include "maps/outline_painter.h"

namespace morvel {

namespace {

constexpr double kWorldWidth = 21600;
constexpr double kWorldHeight = 10800;
constexpr double kSouth = -5400;
constexpr double kFieldW = 1200;
constexpr double kFieldH = 600;
constexpr double kSquareW = 120;
constexpr double kSquareH = 60;
constexpr int kSquares = 180;  // on each axis

const QColor kLabelColour(96, 48, 48);
const QColor kSquareGridColour(128, 64, 64, 90);
const QColor kCoastColour(0, 0, 0);
const QColor kCountryColour(255, 0, 0);
const QColor kStateColour(192, 64, 0);
const QColor kNeededShade(0, 0, 96, 48);
const QColor kCircleColour(0, 64, 224);
const QColor kHighlightFill(255, 230, 0);
const QColor kHighlightRing(255, 0, 255);

// Long lines are cut into pieces of this many points, so a frame skips
// what lies off the target.
constexpr qsizetype kPieceLength = 64;

// Points within `tolerance` minutes (on either axis) of the last one kept
// are dropped; a line's ends stay.
QPolygonF simplified(const QPolygonF& line, double tolerance) {
    if (tolerance <= 0 || line.size() < 3) return line;
    QPolygonF out;
    out << line.first();
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        const QPointF d = line[i] - out.last();
        if (std::abs(d.x()) > tolerance || std::abs(d.y()) > tolerance) out << line[i];
    }
    out << line.last();
    return out;
}

void addLines(std::span<const OutlinePoint> points, double tolerance,
              std::vector<MapOutlines::Line>& out) {
    QPolygonF line;
    const auto flush = [&] {
        const QPolygonF kept = simplified(line, tolerance);
        for (qsizetype start = 0; start + 1 < kept.size(); start += kPieceLength) {
            QPolygonF piece = kept.mid(start, kPieceLength + 1);
            out.push_back({piece, piece.boundingRect()});
        }
        line.clear();
    };
    for (const OutlinePoint& p : points) {
        int x = int{p.lon} + 10800;
        if (x > 21600) x -= 21600;
        const QPointF at(x, static_cast<double>(p.lat));
        // Half the world apart: the line crosses 180 and goes on at the other edge.
        if (p.pen > 1000 || (!line.isEmpty() && std::abs(at.x() - line.last().x()) > 10800))
            flush();
        line << at;
    }
    flush();
}

double squarePixels(const MapCamera& camera, QSizeF target) {
    return target.width() * camera.zoom() / kSquares;
}

SquareSpan visibleSquares(const MapRect& shown) {
    const auto index = [](double v) {
        return static_cast<int>(std::clamp(v, 0.0, double{kSquares}));
    };
    return {index(std::floor(shown.left / kSquareW)), index(std::ceil(shown.right / kSquareW)),
            index(std::floor((shown.bottom - kSouth) / kSquareH)),
            index(std::ceil((shown.top - kSouth) / kSquareH))};
}

const SquareEntry& entryAt(std::span<const FieldRecord> records, int column, int row) {
    static const SquareEntry kNone{};
    const std::size_t record =
        static_cast<std::size_t>(column / 10) * kFieldLetters + static_cast<std::size_t>(row / 10);
    if (record >= records.size()) return kNone;
    return records[record].entries[static_cast<std::size_t>(10 * (column % 10) + row % 10)];
}

}  // namespace

// Texts drawn many times in a frame, each rendered once into a picture
// and then copied: thousands of square numbers stay within a frame's time.
class LabelAtlas {
public:
    LabelAtlas(const QStringList& texts, double pixelSize, const QColor& colour) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(std::max(1, static_cast<int>(pixelSize)));
        const QFontMetricsF metrics(font);
        cell_ = QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(QStringLiteral("00")))) + 2,
                      static_cast<int>(std::ceil(metrics.height())) + 1);
        for (const QString& t : texts)
            cell_.setWidth(
                std::max(cell_.width(), static_cast<int>(std::ceil(metrics.horizontalAdvance(t))) + 2));
        image_ = QImage(cell_.width(), cell_.height() * static_cast<int>(texts.size()),
                        QImage::Format_ARGB32_Premultiplied);
        image_.fill(Qt::transparent);
        QPainter p(&image_);
        p.setFont(font);
        p.setPen(colour);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QRect cell(0, cell_.height() * static_cast<int>(i), cell_.width(), cell_.height());
            p.drawText(cell, Qt::AlignCenter, texts[i]);
        }
        p.end();
        // The part of each cell the text inked, in the cell's own pixels.
        for (qsizetype i = 0; i < texts.size(); ++i) {
            int left = cell_.width(), right = -1, top = cell_.height(), bottom = -1;
            for (int y = 0; y < cell_.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(
                    image_.constScanLine(cell_.height() * static_cast<int>(i) + y));
                for (int x = 0; x < cell_.width(); ++x)
                    if (qAlpha(line[x]) != 0) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            }
            ink_.push_back(right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom)));
        }
    }
    QSize cell() const { return cell_; }
    struct Label {
        int text;
        QPointF centre;
    };
    // Each label's text centred on its point; only the pixels its text inked.
    void draw(QPainter& painter, std::span<const Label> labels) const {
        for (const Label& l : labels) {
            const QRect& ink = ink_[static_cast<std::size_t>(l.text)];
            if (ink.isEmpty()) continue;
            painter.drawImage(corner(l.centre) + ink.topLeft(), image_,
                              ink.translated(0, cell_.height() * l.text));
        }
    }

private:
    QPoint corner(QPointF centre) const {
        return {qRound(centre.x() - cell_.width() / 2.0), qRound(centre.y() - cell_.height() / 2.0)};
    }

    QImage image_;
    QSize cell_;
    std::vector<QRect> ink_;
};

// Atlases by their texts, pixel size and colour; a few are kept, as a pan
// or zoom keeps asking for the same.
struct MapLabelCache::Atlases {
    std::mutex mutex;
    std::map<std::tuple<QString, int, QRgb>, std::shared_ptr<const LabelAtlas>> byKey;
};

MapLabelCache::MapLabelCache() : atlases_(std::make_unique<Atlases>()) {}
MapLabelCache::~MapLabelCache() = default;

namespace {

std::shared_ptr<const LabelAtlas> labelAtlas(MapLabelCache* cache, const QStringList& texts,
                                             double pixelSize, const QColor& colour) {
    const int pixels = std::max(1, static_cast<int>(pixelSize));
    if (!cache) return std::make_shared<const LabelAtlas>(texts, pixels, colour);
    return cache->atlas(texts, pixels, colour);
}

// The painter in device pixels of the target for the steps that place
// pictures and marks themselves.
struct PixelSpace {
    PixelSpace(QPainter& painter, const QTransform& base) : painter_(painter) {
        saved_ = painter.worldTransform();
        painter.setWorldTransform(base);
    }
    ~PixelSpace() { painter_.setWorldTransform(saved_); }
    QPainter& painter_;
    QTransform saved_;
};

void drawLines(QPainter& painter, const std::vector<MapOutlines::Line>& lines, const QRectF& view,
               const QColor& colour) {
    painter.setPen(QPen(colour, 0));
    for (const MapOutlines::Line& l : lines)
        if (l.bounds.right() >= view.left() && l.bounds.left() <= view.right() &&
            l.bounds.bottom() >= view.top() && l.bounds.top() <= view.bottom())
            drawHairPolyline(painter, l.points);
}

std::vector<QPointF> circlePoints(std::string_view home, double km) {
    std::vector<QPointF> points;
    const auto centre = locatorCentre(home);
    if (!centre) return points;
    const double lat1 = centre->y() / 60 * std::numbers::pi / 180;
    const double lon1 = (centre->x() / 60 - 180) * std::numbers::pi / 180;
    const double d = km / 6371.0;
    for (int step = 0; step <= 360; step += 2) {
        const double theta = step * std::numbers::pi / 180;
        const double lat2 =
            std::asin(std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(theta));
        const double lon2 = lon1 + std::atan2(std::sin(theta) * std::sin(d) * std::cos(lat1),
                                              std::cos(d) - std::sin(lat1) * std::sin(lat2));
        double x = std::fmod(lon2 * 180 / std::numbers::pi + 180, 360);
        if (x < 0) x += 360;
        points.emplace_back(x * 60, lat2 * 180 / std::numbers::pi * 60);
    }
    return points;
}

}  // namespace

std::shared_ptr<const LabelAtlas> MapLabelCache::atlas(const QStringList& texts, int pixelSize,
                                                       const QColor& colour) {
    const auto key = std::make_tuple(texts.join(QLatin1Char('\n')), pixelSize, colour.rgba());
    {
        const std::lock_guard lock(atlases_->mutex);
        if (const auto it = atlases_->byKey.find(key); it != atlases_->byKey.end()) return it->second;
    }
    auto made = std::make_shared<const LabelAtlas>(texts, pixelSize, colour);
    const std::lock_guard lock(atlases_->mutex);
    if (atlases_->byKey.size() >= 16) atlases_->byKey.clear();
    return atlases_->byKey.emplace(key, std::move(made)).first->second;
}

MapCamera::MapCamera(QPointF centre, double zoom) : centre_(centre), zoom_(zoom) {
    keepInWorld();
}

MapCamera MapCamera::forView(int mapview) {
    const MapRect r = viewRect(mapview).value_or(*viewRect(kViewWorld));
    return MapCamera(QPointF((r.left + r.right) / 2, (r.top + r.bottom) / 2),
                     kWorldWidth / (r.right - r.left));
}

std::optional<MapCamera> MapCamera::atLocator(std::string_view locator, double zoom) {
    const auto centre = locatorCentre(locator);
    if (!centre) return std::nullopt;
    return MapCamera(*centre, zoom);
}

MapRect MapCamera::shown() const {
    const double w = kWorldWidth / zoom_;
    const double h = kWorldHeight / zoom_;
    return {centre_.x() - w / 2, centre_.y() + h / 2, centre_.x() + w / 2, centre_.y() - h / 2};
}

QPointF MapCamera::toPixel(QPointF m, QSizeF target) const {
    const MapRect r = shown();
    return {(m.x() - r.left) / (r.right - r.left) * target.width(),
            (r.top - m.y()) / (r.top - r.bottom) * target.height()};
}

QPointF MapCamera::toMap(QPointF p, QSizeF target) const {
    const MapRect r = shown();
    return {r.left + p.x() / target.width() * (r.right - r.left),
            r.top - p.y() / target.height() * (r.top - r.bottom)};
}

void MapCamera::zoomAbout(QPointF pixel, QSizeF target, double factor) {
    if (target.isEmpty() || !std::isfinite(factor) || factor <= 0) return;
    const QPointF fixed = toMap(pixel, target);
    zoom_ = std::clamp(zoom_ * factor, kMinMapZoom, kMaxMapZoom);
    const double w = kWorldWidth / zoom_;
    const double h = kWorldHeight / zoom_;
    centre_ = QPointF(fixed.x() - pixel.x() / target.width() * w + w / 2,
                      fixed.y() + pixel.y() / target.height() * h - h / 2);
    keepInWorld();
}

void MapCamera::panBy(QPointF pixels, QSizeF target) {
    if (target.isEmpty()) return;
    centre_ += QPointF(-pixels.x() / target.width() * kWorldWidth / zoom_,
                       pixels.y() / target.height() * kWorldHeight / zoom_);
    keepInWorld();
}

void MapCamera::keepInWorld() {
    if (!std::isfinite(zoom_)) zoom_ = kMinMapZoom;
    zoom_ = std::clamp(zoom_, kMinMapZoom, kMaxMapZoom);
    const double w = kWorldWidth / zoom_;
    const double h = kWorldHeight / zoom_;
    const double x = std::isfinite(centre_.x()) ? centre_.x() : kWorldWidth / 2;
    const double y = std::isfinite(centre_.y()) ? centre_.y() : 0;
    centre_ = QPointF(std::clamp(x, w / 2, kWorldWidth - w / 2),
                      std::clamp(y, kSouth + h / 2, -kSouth - h / 2));
}

std::shared_ptr<const MapOutlines> MapOutlines::load(const QDir& folder) {
    std::vector<OutlinePoint> world;
    Error error;
    readOutlineFile(folder.filePath(QLatin1String(kWorldFile)), world, error);
    FieldOutlines fine;
    loadFieldOutlines(folder, kViewNorthAmerica, fine);
    return fromPoints(std::move(world), fine);
}

std::shared_ptr<const MapOutlines> MapOutlines::fromPoints(std::vector<OutlinePoint> world,
                                                          const FieldOutlines& fine) {
    auto outlines = std::make_shared<MapOutlines>();
    plotWorldMap(world, outlines->worldOps_);
    outlines->worldRuns_ = drawRuns(outlines->worldOps_);
    for (const double tolerance : {0.0, 2.0, 4.0, 8.0, 16.0}) {
        Level level;
        level.tolerance = tolerance;
        addLines(world, tolerance, level.world);
        addLines(fine.coast, tolerance, level.coast);
        addLines(fine.island, tolerance, level.coast);
        addLines(fine.country, tolerance, level.country);
        addLines(fine.state, tolerance, level.state);
        outlines->levels_.push_back(std::move(level));
    }
    outlines->world_ = std::move(world);
    return outlines;
}

const MapOutlines::Level& MapOutlines::levelFor(double minutesPerPixel) const {
    std::size_t best = 0;
    for (std::size_t i = 0; i < levels_.size(); ++i)
        if (levels_[i].tolerance <= minutesPerPixel) best = i;
    return levels_[best];
}

std::size_t MapOutlines::bytes() const {
    std::size_t n = world_.size() * sizeof(OutlinePoint) + worldOps_.size() * sizeof(DrawOp);
    for (const Level& level : levels_)
        for (const auto* lines : {&level.world, &level.coast, &level.country, &level.state})
            for (const Line& l : *lines)
                n += sizeof(Line) + static_cast<std::size_t>(l.points.size()) * sizeof(QPointF);
    return n;
}

QColor bandColour(const QString& band) {
    static const std::array<QColor, 10> colours = {
        QColor(128, 0, 128), QColor(230, 25, 75),  QColor(245, 130, 48), QColor(0, 130, 200),
        QColor(60, 180, 75), QColor(145, 30, 180), QColor(0, 128, 128),  QColor(170, 110, 40),
        QColor(128, 0, 0),   QColor(0, 0, 128)};
    const std::vector<std::string>& bands = bandList();
    const auto it = std::find(bands.begin(), bands.end(), band.toLower().toStdString());
    return it == bands.end() ? QColor(64, 64, 64)
                             : colours[static_cast<std::size_t>(it - bands.begin()) % colours.size()];
}

std::vector<MapLayer> mapLayers(const QStringList& databaseFiles,
                                std::span<const std::vector<FieldRecord>> databases) {
    std::vector<MapLayer> layers;
    for (qsizetype i = 0; i < databaseFiles.size() && i < static_cast<qsizetype>(databases.size()); ++i) {
        MapLayer layer;
        layer.databaseFile = databaseFiles[i];
        layer.band = bandFromFileName(databaseFiles[i]).toLower();
        layer.homeLocator = toLatin1Text(homeLocatorFromFileName(databaseFiles[i]));
        layer.records = databases[static_cast<std::size_t>(i)];
        layer.colour = bandColour(layer.band);
        layers.push_back(std::move(layer));
    }
    return layers;
}

std::vector<QRectF> bandMarkRects(const QRectF& square, int count) {
    if (count <= 0) return {};
    const int columns = static_cast<int>(std::ceil(std::sqrt(double(count))));
    const int rows = (count + columns - 1) / columns;
    // The top of the square keeps room for its number.
    const QRectF area(square.left() + 2, square.top() + square.height() * 0.3,
                      square.width() - 4, square.height() * 0.7 - 2);
    // Marks stay small in a big square: they tell bands, not sizes.
    const double w = std::min(area.width() / columns, 30.0);
    const double h = std::min(area.height() / rows, 18.0);
    if (w - 2 < 4 || h - 2 < 4) return {};
    std::vector<QRectF> rects;
    for (int i = 0; i < count; ++i)
        rects.emplace_back(area.left() + (i % columns) * w + 1, area.top() + (i / columns) * h + 1,
                           w - 2, h - 2);
    return rects;
}

MapDetail mapDetail(const MapCamera& camera, QSizeF target, int shownLayers) {
    MapDetail d;
    // At zoom 1 the map is the field map's world view, whatever is shown.
    if (camera.zoom() <= kMinMapZoom) return d;
    const double square = squarePixels(camera, target);
    const double squareHeight = target.height() * camera.zoom() / kSquares;
    d.fieldLetters = square * 10 >= 40;
    d.squareNumbers = square >= 40 && squareHeight >= 20;
    d.subsquares = square >= 240;
    d.fineOutlines = square * 10 >= 300;
    if (shownLayers > 1) {
        d.bandMarks = !bandMarkRects(QRectF(0, 0, square, squareHeight), shownLayers).empty();
        d.bandCounts = !d.bandMarks && square >= 24 && squareHeight >= 12;
    }
    return d;
}

void drawMovingMap(QPainter& painter, QSizeF target, const MapCamera& camera,
                   std::span<const MapLayer> layers, const MapOutlines* outlines,
                   const MovingMapOptions& options, MapLabelCache* labelCache) {
    std::vector<const MapLayer*> shownLayers;
    for (const MapLayer& l : layers)
        if (l.shown) shownLayers.push_back(&l);
    const MapDetail detail = mapDetail(camera, target, static_cast<int>(shownLayers.size()));
    const MapRect shown = camera.shown();
    // Only the squares within the painter's clip (a stripe of the frame)
    // get marks and labels.
    const QRectF clip = drawnArea(painter, target);
    const QPointF clipNW = camera.toMap(clip.topLeft(), target);
    const QPointF clipSE = camera.toMap(clip.bottomRight(), target);
    const SquareSpan range =
        visibleSquares({std::max(shown.left, clipNW.x()), std::min(shown.top, clipNW.y()),
                        std::min(shown.right, clipSE.x()), std::max(shown.bottom, clipSE.y())});
    const QRectF view(QPointF(std::max(shown.left, clipNW.x()), std::max(shown.bottom, clipSE.y())),
                      QPointF(std::min(shown.right, clipSE.x()), std::min(shown.top, clipNW.y())));

    painter.save();
    const QTransform base = painter.worldTransform();
    std::vector<std::span<const FieldRecord>> filled;
    if (!detail.bandMarks)
        for (const MapLayer* l : shownLayers) filled.push_back(l->records);
    // A square beyond the clip on each side, for the borders along its edge.
    const SquareSpan within{std::max(0, range.west - 1), std::min(kSquares, range.east + 1),
                            std::max(0, range.south - 1), std::min(kSquares, range.north + 1)};
    paintFieldMapSquares(painter, target, filled, shown, kFieldMapBackground, within);
    const auto pixelRect = [&](int column, int row) {
        return QRectF(camera.toPixel(QPointF(kSquareW * column, kSouth + kSquareH * (row + 1)),
                                     target),
                      camera.toPixel(QPointF(kSquareW * (column + 1), kSouth + kSquareH * row),
                                     target));
    };

    if (options.neededLayer >= 0 && options.neededLayer < static_cast<int>(layers.size())) {
        // One pixel per square, stretched by the mapping: the needed shade
        // costs one picture whatever the zoom.
        const MapLayer& needed = layers[static_cast<std::size_t>(options.neededLayer)];
        QImage shade(kSquares, kSquares, QImage::Format_ARGB32_Premultiplied);
        shade.fill(Qt::transparent);
        const QRgb shadeColour = qPremultiply(kNeededShade.rgba());
        for (int column = 0; column < kSquares; ++column)
            for (int row = 0; row < kSquares; ++row)
                if (!entryAt(needed.records, column, row).hasContact())
                    shade.setPixel(column, row, shadeColour);
        // Row 0 is the south; the mapping turns it to the bottom.
        painter.drawImage(QRectF(0, kSouth, kWorldWidth, kWorldHeight), shade);
    }

    if (detail.bandMarks) {
        PixelSpace pixels(painter, base);
        // Every square has the same size on the target: the marks' places
        // once, moved to each square.
        const QRectF first = pixelRect(0, 0).normalized();
        const std::vector<QRectF> places =
            bandMarkRects(QRectF(0, 0, first.width(), first.height()), static_cast<int>(shownLayers.size()));
        const QPointF origin = first.topLeft();
        const double stepX = first.width();
        const double stepY = first.height();
        std::vector<QRectF> outer, inner, solid;
        for (std::size_t slot = 0; slot < shownLayers.size() && !places.empty(); ++slot) {
            outer.clear();
            inner.clear();
            solid.clear();
            const QRectF& place = places[slot];
            for (int column = range.west; column < range.east; ++column)
                for (int row = range.south; row < range.north; ++row) {
                    const SquareEntry& e = entryAt(shownLayers[slot]->records, column, row);
                    if (!e.hasContact()) continue;
                    const QRectF mark = place.translated(origin.x() + stepX * column,
                                                         origin.y() - stepY * row);
                    if (e.isConfirmed()) {
                        solid.push_back(mark);
                    } else {
                        outer.push_back(mark);
                        inner.push_back(mark.adjusted(1.5, 1.5, -1.5, -1.5));
                    }
                }
            painter.setPen(Qt::NoPen);
            painter.setBrush(shownLayers[slot]->colour);
            if (!solid.empty()) painter.drawRects(solid.data(), static_cast<int>(solid.size()));
            if (!outer.empty()) painter.drawRects(outer.data(), static_cast<int>(outer.size()));
            painter.setBrush(kFieldMapBackground);
            if (!inner.empty()) painter.drawRects(inner.data(), static_cast<int>(inner.size()));
        }
        painter.setBrush(Qt::NoBrush);
    }

    // Outlines: the world's where a field is small, as the field map draws
    // it; the finer coasts and borders, of what is in view, further in.
    if (outlines) {
        // Points within two pixels of the last one kept are left out: a
        // hairline's path cannot be told from the full one's.
        const MapOutlines::Level& level =
            outlines->levelFor(2 * (shown.right - shown.left) / std::max(1.0, target.width()));
        if (camera.zoom() <= kMinMapZoom) {
            painter.setPen(QPen(Qt::black, 0));
            // A stripe draws the runs that reach into it (a pixel's margin).
            const double mx = 2 * (shown.right - shown.left) / std::max(1.0, target.width());
            const double my = 2 * (shown.top - shown.bottom) / std::max(1.0, target.height());
            if (isVectorDevice(painter))
                replayDrawOps(painter, outlines->worldOps());
            else
                replayDrawRuns(painter, outlines->worldRuns(), view.adjusted(-mx, -my, mx, my));
        } else if (detail.fineOutlines) {
            drawLines(painter, level.state, view, kStateColour);
            drawLines(painter, level.country, view, kCountryColour);
            drawLines(painter, level.coast, view, kCoastColour);
        } else {
            drawLines(painter, level.world, view, kCoastColour);
        }
    }
    painter.setPen(QPen(Qt::black, 0));
    paintFieldGrid(painter);

    if (detail.squareNumbers || detail.bandMarks) {
        std::vector<QLineF> lines;
        for (int column = range.west; column <= range.east; ++column)
            if (column % 10 != 0)
                lines.emplace_back(kSquareW * column, shown.bottom, kSquareW * column, shown.top);
        for (int row = range.south; row <= range.north; ++row)
            if (row % 10 != 0)
                lines.emplace_back(shown.left, kSouth + kSquareH * row, shown.right,
                                   kSouth + kSquareH * row);
        painter.setPen(QPen(kSquareGridColour, 0));
        drawHairlines(painter, lines);
    }

    if (!options.highlight.empty() && namesSquare(options.highlight)) {
        const std::string& sq = options.highlight;
        const int column = (sq[0] - 'A') * 10 + (sq[2] - '0');
        const int row = (sq[1] - 'A') * 10 + (sq[3] - '0');
        PixelSpace pixels(painter, base);
        const QRectF square = pixelRect(column, row).normalized();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(square, kHighlightFill);
        painter.setPen(QPen(kHighlightRing, 3));
        const double r = std::max(14.0, square.width());
        painter.drawEllipse(square.center(), r, r);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    if (options.circleKm > 0) {
        const std::vector<QPointF> points = circlePoints(options.homeLocator, options.circleKm);
        PixelSpace pixels(painter, base);
        painter.setPen(QPen(kCircleColour, 2));
        QPolygonF line;
        const auto flush = [&] {
            if (line.size() > 1) painter.drawPolyline(line);
            line.clear();
        };
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0 && std::abs(points[i].x() - points[i - 1].x()) > 10800) flush();
            line << camera.toPixel(points[i], target);
        }
        flush();
    }

    PixelSpace pixels(painter, base);
    if (detail.bandCounts) {
        QStringList counts;
        for (int n = 1; n <= static_cast<int>(shownLayers.size()); ++n) counts << QString::number(n);
        const std::shared_ptr<const LabelAtlas> shared = labelAtlas(
            labelCache, counts,
            std::min(squarePixels(camera, target) * 0.5, target.height() * camera.zoom() / kSquares * 0.8),
            Qt::white);
        const LabelAtlas& atlas = *shared;
        std::vector<LabelAtlas::Label> labels;
        for (int column = range.west; column < range.east; ++column)
            for (int row = range.south; row < range.north; ++row) {
                int n = 0;
                for (const MapLayer* l : shownLayers) n += entryAt(l->records, column, row).hasContact();
                if (n > 0) labels.push_back({n - 1, pixelRect(column, row).center()});
            }
        atlas.draw(painter, labels);
    }
    if (detail.squareNumbers) {
        QStringList numbers;
        for (int n = 0; n < 100; ++n) numbers << QString::asprintf("%02d", n);
        const double size =
            std::min(squarePixels(camera, target) / 4, target.height() * camera.zoom() / kSquares / 4);
        const std::shared_ptr<const LabelAtlas> shared =
            labelAtlas(labelCache, numbers, std::clamp(size, 9.0, 40.0), kLabelColour);
        const LabelAtlas& atlas = *shared;
        std::vector<LabelAtlas::Label> labels;
        for (int column = range.west; column < range.east; ++column)
            for (int row = range.south; row < range.north; ++row) {
                const QRectF r = pixelRect(column, row).normalized();
                labels.push_back({(column % 10) * 10 + row % 10,
                                  QPointF(r.left() + atlas.cell().width() / 2.0 + 2,
                                          r.top() + atlas.cell().height() / 2.0 + 1)});
            }
        atlas.draw(painter, labels);
    }
    if (detail.fieldLetters) {
        QFont font(QStringLiteral("DejaVu Sans"));
        const double fieldPx = squarePixels(camera, target) * 10;
        font.setPixelSize(static_cast<int>(std::clamp(fieldPx / 8, 10.0, 40.0)));
        font.setBold(true);
        painter.setFont(font);
        // Over the squares, yet never hiding them.
        painter.setPen(QColor(96, 48, 48, 120));
        for (int f = range.west / 10; f * 10 < range.east; ++f)
            for (int g = range.south / 10; g * 10 < range.north; ++g) {
                const QRectF field(camera.toPixel(QPointF(kFieldW * f, kSouth + kFieldH * (g + 1)), target),
                                   camera.toPixel(QPointF(kFieldW * (f + 1), kSouth + kFieldH * g), target));
                painter.drawText(field.normalized(), Qt::AlignCenter,
                                 QString::fromStdString(fieldLetters(f * kFieldLetters + g + 1)));
            }
    }
    if (detail.subsquares) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(static_cast<int>(std::clamp(squarePixels(camera, target) / 24, 8.0, 16.0)));
        painter.setFont(font);
        for (int column = range.west; column < range.east; ++column)
            for (int row = range.south; row < range.north; ++row)
                for (const MapLayer* l : shownLayers) {
                    const SquareEntry& e = entryAt(l->records, column, row);
                    const std::string_view loc = e.locatorText();
                    if (!e.hasContact() || loc.size() < 6) continue;
                    const char a = upperLatin1Byte(loc[4]);
                    const char b = upperLatin1Byte(loc[5]);
                    if (a < 'A' || a > 'X' || b < 'A' || b > 'X') continue;
                    const QPointF centre(kSquareW * column + (a - 'A' + 0.5) * 5,
                                         kSouth + kSquareH * row + (b - 'A' + 0.5) * 2.5);
                    const QPointF at = camera.toPixel(centre, target);
                    painter.setPen(l->colour.darker(130));
                    painter.drawText(QRectF(at.x() - 20, at.y() - 10, 40, 20), Qt::AlignCenter,
                                     QString(QChar(QLatin1Char(lowerLatin1Byte(a)))) +
                                         QChar(QLatin1Char(lowerLatin1Byte(b))));
                }
    }
    painter.restore();
}

void renderMovingMap(QImage& image, const MapCamera& camera, std::span<const MapLayer> layers,
                     const MapOutlines* outlines, const MovingMapOptions& options,
                     MapLabelCache* labelCache) {
    const QSizeF target = image.deviceIndependentSize();
    const double ratio = image.devicePixelRatio();
    const int stripes = std::clamp(QThread::idealThreadCount(), 1, 4);
    // A device has one painter at a time: each stripe is an image of its
    // own over its rows of the same pixels.
    std::vector<int> firstRows;
    for (int i = 0; i <= stripes; ++i) firstRows.push_back(image.height() * i / stripes);
    std::vector<int> parts(static_cast<std::size_t>(stripes));
    std::iota(parts.begin(), parts.end(), 0);
    uchar* bits = image.bits();
    QtConcurrent::blockingMap(parts, [&](int i) {
        const int top = firstRows[static_cast<std::size_t>(i)];
        const int rows = firstRows[static_cast<std::size_t>(i) + 1] - top;
        if (rows <= 0) return;
        QImage stripe(bits + static_cast<qsizetype>(top) * image.bytesPerLine(), image.width(), rows,
                      image.bytesPerLine(), image.format());
        stripe.setDevicePixelRatio(ratio);
        QPainter painter(&stripe);
        painter.translate(0, -top / ratio);
        drawMovingMap(painter, target, camera, layers, outlines, options, labelCache);
    });
}

void paintMovingMap(QPainter& painter, QSizeF target, const MapCamera& camera,
                    std::span<const MapLayer> layers, const MapOutlines* outlines,
                    const MovingMapOptions& options) {
    const QTransform& t = painter.worldTransform();
    const bool pixels = painter.paintEngine() &&
                        painter.paintEngine()->type() == QPaintEngine::Raster &&
                        t.type() <= QTransform::TxScale && t.m11() == t.m22() && t.m11() > 0;
    const QSize size = (target * t.m11()).toSize();
    if (!pixels || size.isEmpty()) {
        drawMovingMap(painter, target, camera, layers, outlines, options);
        return;
    }
    QImage frame(size, QImage::Format_RGB32);
    frame.setDevicePixelRatio(t.m11());
    renderMovingMap(frame, camera, layers, outlines, options);
    painter.drawImage(QRectF(QPointF(0, 0), target), frame);
}

std::string locatorAt(QPointF m) {
    if (!(m.x() >= 0 && m.x() < kWorldWidth && m.y() >= kSouth && m.y() < -kSouth)) return {};
    const double lon = m.x() / 60;       // degrees east of 180 W
    const double lat = m.y() / 60 + 90;  // degrees north of the South Pole
    const int f = static_cast<int>(lon / 20);
    const int g = static_cast<int>(lat / 10);
    const int sx = static_cast<int>(std::fmod(lon, 20) / 2);
    const int sy = static_cast<int>(std::fmod(lat, 10));
    const int tx = std::min(23, static_cast<int>(std::fmod(lon, 2) * 12));
    const int ty = std::min(23, static_cast<int>(std::fmod(lat, 1) * 24));
    return {static_cast<char>('A' + f), static_cast<char>('A' + g), static_cast<char>('0' + sx),
            static_cast<char>('0' + sy), static_cast<char>('a' + tx), static_cast<char>('a' + ty)};
}

std::optional<QPointF> locatorCentre(std::string_view locator) {
    if (!namesSquare(upperLatin1(locator.substr(0, 4)))) return std::nullopt;
    const std::string l = upperLatin1(locator);
    double west = (l[0] - 'A') * kFieldW + (l[2] - '0') * kSquareW;
    double south = kSouth + (l[1] - 'A') * kFieldH + (l[3] - '0') * kSquareH;
    if (l.size() == 4) return QPointF(west + kSquareW / 2, south + kSquareH / 2);
    if (l.size() != 6 || l[4] < 'A' || l[4] > 'X' || l[5] < 'A' || l[5] > 'X') return std::nullopt;
    west += (l[4] - 'A') * 5;
    south += (l[5] - 'A') * 2.5;
    return QPointF(west + 2.5, south + 1.25);
}

QString pointerStatus(QPointF mapPoint, std::string_view homeLocator) {
    const std::string here = locatorAt(mapPoint);
    if (here.empty()) return {};
    QString text = QString::fromStdString(upperLatin1(here));
    const auto home = locatorCentre(homeLocator);
    if (!home || !isValidLocator(homeLocator)) return text;
    const double km = LocatorDistance(homeLocator, here);
    // Initial great-circle bearing from home to the pointer.
    const double rad = std::numbers::pi / 180;
    const double lat1 = home->y() / 60 * rad, lon1 = home->x() / 60 * rad;
    const double lat2 = mapPoint.y() / 60 * rad, lon2 = mapPoint.x() / 60 * rad;
    const double y = std::sin(lon2 - lon1) * std::cos(lat2);
    const double x = std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(lon2 - lon1);
    double bearing = std::atan2(y, x) / rad;
    if (bearing < 0) bearing += 360;
    return text + QStringLiteral("  ") + QString::number(std::lround(km)) +
           QStringLiteral(" km  bearing ") + QString::number(std::lround(bearing) % 360) +
           QChar(0x00B0);
}

QString squareTooltip(std::string_view square, std::span<const MapLayer> layers,
                      const ConfirmingSourcesOf& sources) {
    const std::string sq = upperLatin1(square.substr(0, 4));
    if (!namesSquare(sq)) return {};
    const int column = (sq[0] - 'A') * 10 + (sq[2] - '0');
    const int row = (sq[1] - 'A') * 10 + (sq[3] - '0');
    QStringList lines;
    for (const MapLayer& l : layers) {
        if (!l.shown) continue;
        const SquareEntry& e = entryAt(l.records, column, row);
        if (!e.hasContact()) continue;
        const std::string call(trimmedBlanks(e.callsignText()));
        const std::string stored(trimmedBlanks(e.dateText()));
        const std::string iso = isoDate(stored);
        std::string locator(trimmedBlanks(e.locatorText()));
        if (locator.empty()) locator = sq;
        QString line = l.band + QStringLiteral(": ") + fromLatin1Text(call) + QLatin1Char(' ') +
                       fromLatin1Text(iso.empty() ? stored : iso) + QLatin1Char(' ') +
                       fromLatin1Text(locator);
        const std::string measured = locator.size() >= 6 ? locator.substr(0, 6) : sq + "  ";
        if (isValidLocator(l.homeLocator) && isValidLocator(measured))
            line += QStringLiteral(" ") +
                    QString::number(std::lround(LocatorDistance(l.homeLocator, measured))) +
                    QStringLiteral(" km");
        if (e.isConfirmed()) {
            const QString by = sources ? sources(l.databaseFile, sq, true) : QString();
            line += by.isEmpty() ? QStringLiteral(", confirmed") : QStringLiteral(", confirmed: ") + by;
        } else {
            line += QStringLiteral(", worked");
        }
        lines << line;
    }
    if (lines.isEmpty()) return {};
    return QString::fromStdString(sq) + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

}  // namespace morvel
