#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "database/qra_file.h"
#include "maps/canvas.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"

namespace {

// The input: a 12-byte header, then the database bytes and the outline
// records, cut where header byte 5 says.
struct Header {
    int mapview;   // -1..4: the three views and values without one
    QSize size;    // 1..64 pixels each way
    int lonIndex;  // -3..20: fieldByIndex clamps what lies outside 0..17
    int latIndex;
    std::size_t databaseShare;  // of 255
    QPointF pixel;              // anywhere, off the picture too
    double scale;               // the painter's own scale before drawing, 0 included
};

Header header(const std::uint8_t* d) {
    const auto int16 = [&](int at) {
        return static_cast<double>(static_cast<std::int16_t>(d[at] | d[at + 1] << 8));
    };
    return {d[0] % 6 - 1,
            QSize(1 + d[1] % 64, 1 + d[2] % 64),
            d[3] % 24 - 3,
            d[4] % 24 - 3,
            d[5],
            QPointF(int16(6), int16(8)),
            d[10] / 16.0 + d[11] % 2 * 0.5};
}

bool isFieldLetter(char c) {
    return c >= 'A' && c <= 'R';
}

// The map point under a pixel, as the field map window's scale gives it.
QPointF mapPointAt(QPointF pixel, QSizeF target, int mapview) {
    const auto view = morvel::viewRect(mapview);
    if (!view) return pixel;
    return morvel::logicalMapping(view->left, view->top, view->right, view->bottom, target)
        .inverted()
        .map(pixel);
}

}  // namespace

// Qt's font engine keeps glyph caches for every transform text is drawn
// under and drops some unfreed when it evicts them; that is Qt's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:QFontEngineFT\nleak:libQt6Gui.so\nleak:libfreetype.so\nleak:libharfbuzz.so\n"
           "leak:libfontconfig.so\n";
}

// Drawing text needs a GUI application; the offscreen platform needs no display.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "map_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

// Whatever the database bytes, the outline points, the view and the size,
// the field map and the field view draw without fault, leave the painter as
// they found it and count the squares they paint; a pixel anywhere names a
// field of the 324 and at most one of its squares.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 12) return 0;
    const Header h = header(data);
    const std::string_view rest(reinterpret_cast<const char*>(data) + 12, size - 12);
    const std::string_view database = rest.substr(0, rest.size() * h.databaseShare / 255);
    const std::vector<morvel::OutlinePoint> points =
        morvel::decodeOutline(rest.substr(database.size()));

    QImage image(h.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(h.scale, h.scale);
    const QTransform before = painter.transform();
    const QPen pen = painter.pen();
    const QBrush brush = painter.brush();
    const auto unchanged = [&] {
        return painter.transform() == before && painter.pen() == pen && painter.brush() == brush;
    };
    morvel::drawFieldMap(painter, h.size, morvel::decodeDatabase(database), points, h.mapview);
    if (!unchanged()) std::abort();

    std::string recordBytes(database.substr(0, morvel::FieldRecord::kSize));
    recordBytes.resize(morvel::FieldRecord::kSize, '\0');
    const morvel::FieldRecord record = morvel::FieldRecord::decode(recordBytes.data());
    // The points in four runs: coastlines, islands, country and state borders.
    morvel::FieldOutlines outlines;
    const auto at = [&](std::size_t quarter) {
        return points.begin() + static_cast<std::ptrdiff_t>(points.size() * quarter / 4);
    };
    outlines.coast.assign(at(0), at(1));
    outlines.island.assign(at(1), at(2));
    outlines.country.assign(at(2), at(3));
    outlines.state.assign(at(3), at(4));
    const morvel::FieldPick pick = morvel::fieldByIndex(h.lonIndex, h.latIndex);
    const morvel::FieldTotals totals = morvel::drawFieldView(
        painter, h.size, record, morvel::fieldOrigin(pick.fieldwest, pick.fieldsouth), outlines,
        h.mapview);
    const morvel::FieldTotals counted = morvel::countField(record);
    if (totals.worked != counted.worked || totals.confirmed != counted.confirmed ||
        totals.worked > 100 || totals.confirmed > totals.worked || !unchanged())
        std::abort();
    painter.end();

    const morvel::FieldPick under = morvel::pickField(mapPointAt(h.pixel, h.size, h.mapview));
    if (under.fieldname.size() != 2 || !isFieldLetter(under.fieldname[0]) ||
        !isFieldLetter(under.fieldname[1]) || under.fieldwest < 0 || under.fieldwest > 340 ||
        under.fieldsouth < -90 || under.fieldsouth > 80)
        std::abort();
    const morvel::SquareReadOut readOut = morvel::readOutAt(
        morvel::fieldViewPointAt(h.pixel, h.size), pick.fieldname, record, "JO62QM");
    if (readOut.slot && (*readOut.slot < 0 || *readOut.slot > 99 ||
                         readOut.square != pick.fieldname + std::to_string(*readOut.slot / 10) +
                                               std::to_string(*readOut.slot % 10)))
        std::abort();
    return 0;
}
