#include "maps/map_export.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "database/qra_file.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

// IO91 confirmed, FN31 worked, QF56 confirmed, and a block of 7 x 6 worked
// squares in field JO: 45 squares painted.
std::string exampleDatabase() {
    QByteArray db = blankDatabaseBytes();
    const auto set = [&](int f, int g, int slot, const SquareEntry& e) {
        e.encode(db.data() + (18 * f + g) * FieldRecord::kSize + slot * SquareEntry::kSize);
    };
    set('I' - 'A', 'O' - 'A', 91, makeEntry("IO91WM", "G4\"ABC", "12/05/03", true));
    set('F' - 'A', 'N' - 'A', 31, makeEntry("FN31PR", "W1AW", "03/04/02", false));
    set('Q' - 'A', 'F' - 'A', 56, makeEntry("QF56OD", "VK2AB", "01/02/03", true));
    for (int i = 1; i < 8; ++i)
        for (int j = 1; j < 7; ++j) set('J' - 'A', 'O' - 'A', 10 * i + j, makeEntry("JO", "DL1A", "", false));
    return db.toStdString();
}

std::vector<OutlinePoint> worldOutline() {
    std::vector<OutlinePoint> points;
    Error error;
    readOutlineFile(QDir(QStringLiteral(MORVEL_MAP_DATA_DIR)).filePath(kWorldFile), points, error);
    return points;
}

struct Maps {
    std::string db = exampleDatabase();
    std::vector<OutlinePoint> outline = worldOutline();
    FieldOutlines fieldOutlines;
    FieldRecord io;
    Maps() {
        loadFieldOutlines(QDir(QStringLiteral(MORVEL_MAP_DATA_DIR)), kViewWorld, fieldOutlines);
        io = FieldRecord::decode(db.data() + (18 * 8 + 14) * FieldRecord::kSize);
    }
    MapExport world(int view, QSize size) const {
        return {size,
                [this, view](QPainter& p, QSizeF s) { drawFieldMap(p, s, db, outline, view); },
                paintedSquares(db), QStringLiteral("2M JO62QM HOME World")};
    }
    MapExport field(QSize size) const {
        return {size,
                [this](QPainter& p, QSizeF s) {
                    p.fillRect(QRectF(QPointF(0, 0), s), QColor(255, 224, 192));
                    drawFieldView(p, s, io, fieldOrigin(340, 50), fieldOutlines, kViewWorld);
                },
                paintedSquares(io, 8, 14), QStringLiteral("2M JO62QM HOME IO")};
    }
};

struct MapExportTest : ::testing::Test {
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    Maps maps;
};

// Blocks of 8 x 8 pixels whose mean colours differ by more than a little, as
// a share of all: the SVG renderer smooths a line over two pixels where the
// map draws one, and half of the map's edge lines lies outside the picture.
double differingShare(const QImage& fine, const QImage& other) {
    if (fine.size() != other.size()) return 1;
    const QSize blocks = fine.size() / 8;
    const QImage a = fine.scaled(blocks, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b = other.scaled(blocks, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                             std::abs(p.blue() - q.blue()) >
                         60;
        }
    return double(differing) / (a.width() * a.height());
}

TEST_F(MapExportTest, TheSvgRasterisedEqualsThePngAtTheSameSize) {
    const std::tuple<const char*, MapExport> cases[] = {
        {"world", maps.world(kViewWorld, {1016, 742})},
        {"europe", maps.world(kViewEurope, {800, 600})},
        {"field", maps.field({1501, 602})},
    };
    for (const auto& [name, map] : cases) {
        SCOPED_TRACE(name);
        Error error;
        ASSERT_TRUE(writeMapExport(path("m.svg"), map, 1, error)) << error;
        ASSERT_TRUE(writeMapExport(path("m.png"), map, 1, error)) << error;
        QSvgRenderer svg(path("m.svg"));
        ASSERT_TRUE(svg.isValid());
        const QImage png = QImage(path("m.png")).convertToFormat(QImage::Format_RGB32);
        QImage drawn(png.size(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(png.size())));
        painter.end();
        EXPECT_LT(differingShare(drawn, png), 0.01);
    }
    // Text as text, a rect per square, outlines as paths.
    const QByteArray svg = readFileBytes(path("m.svg"));
    EXPECT_EQ(svg.count("<text"), 100);
    Error error;
    ASSERT_TRUE(writeMapExport(path("w.svg"), maps.world(kViewWorld, {1016, 742}), 1, error));
    const QByteArray world = readFileBytes(path("w.svg"));
    // The squares and the background; points that stand alone are 1 by 1.
    EXPECT_EQ(world.count("<rect") - world.count("width=\"1\" height=\"1\""), 45 + 1);
    EXPECT_GT(world.count("<path"), 0);
    EXPECT_EQ(world.count("<image"), 0);
}

TEST_F(MapExportTest, ThePdfIsOnePageTurnedAsThePicture) {
    const std::tuple<QSize, double, bool> cases[] = {
        {{1016, 742}, 1, true}, {{600, 900}, 1, false}, {{1016, 742}, 3, true}};
    for (const auto& [size, scale, landscape] : cases) {
        Error error;
        ASSERT_TRUE(writeMapExport(path("m.pdf"), maps.world(kViewWorld, size), scale, error));
        const QByteArray pdf = readFileBytes(path("m.pdf"));
        EXPECT_TRUE(pdf.startsWith("%PDF-"));
        int pages = 0;
        for (auto it = QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))
                           .globalMatch(QString::fromLatin1(pdf));
             it.hasNext(); it.next())
            ++pages;
        EXPECT_EQ(pages, 1);
        const auto box = QRegularExpression(
                             QStringLiteral("/MediaBox\\s*\\[\\s*0 0 ([0-9.]+) ([0-9.]+)"))
                             .match(QString::fromLatin1(pdf));
        ASSERT_TRUE(box.hasMatch());
        const double w = box.captured(1).toDouble(), h = box.captured(2).toDouble();
        EXPECT_EQ(w > h, landscape);
        EXPECT_NEAR(w, size.width() * scale * 0.75, 1);  // points at 96 pixels an inch
        EXPECT_NEAR(h, size.height() * scale * 0.75, 1);
    }
}

TEST_F(MapExportTest, TheKmlIsWellFormedWithOnePlacemarkPerPaintedSquare) {
    Error error;
    ASSERT_TRUE(writeMapExport(path("m.kml"), maps.world(kViewWorld, {1016, 742}), 1, error));
    QXmlStreamReader xml(readFileBytes(path("m.kml")));
    QStringList names;
    QString description;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("Placemark")) {
            xml.readNextStartElement();
            names << xml.readElementText();
            xml.readNextStartElement();
            if (names.back() == QLatin1String("IO91")) description = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(names.size(), 45);
    EXPECT_EQ(names.mid(0, 2), (QStringList{"FN31", "IO91"}));
    EXPECT_EQ(description, "Confirmed\nCall: G4\"ABC\nDate: 12/05/03\nLocator: IO91WM");
}

TEST_F(MapExportTest, GeoJsonPolygonsCloseWindCounterClockwiseOnTheLocatorEdges) {
    Error error;
    ASSERT_TRUE(writeMapExport(path("m.geojson"), maps.world(kViewWorld, {1016, 742}), 1, error));
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(readFileBytes(path("m.geojson")), &parse);
    ASSERT_EQ(parse.error, QJsonParseError::NoError) << parse.errorString().toStdString();
    const QJsonArray features = doc.object()["features"].toArray();
    ASSERT_EQ(features.size(), 45);
    for (const QJsonValue& f : features) {
        const QJsonArray ring =
            f["geometry"]["coordinates"].toArray().at(0).toArray();
        ASSERT_EQ(ring.size(), 5);
        EXPECT_EQ(ring.first(), ring.last());
        double area = 0;  // the shoelace sum, positive counter-clockwise
        for (int k = 0; k + 1 < ring.size(); ++k)
            area += ring[k][0].toDouble() * ring[k + 1][1].toDouble() -
                    ring[k + 1][0].toDouble() * ring[k][1].toDouble();
        EXPECT_DOUBLE_EQ(area / 2, 2.0);  // 2 degrees by 1
    }
    const QJsonObject io91 = features[1].toObject();
    EXPECT_EQ(QJsonDocument(io91["geometry"]["coordinates"].toArray()).toJson(QJsonDocument::Compact),
              "[[[-2,51],[0,51],[0,52],[-2,52],[-2,51]]]");
    EXPECT_EQ(QJsonDocument(io91["properties"].toObject()).toJson(QJsonDocument::Compact),
              R"({"call":"G4\"ABC","date":"12/05/03","locator":"IO91WM","square":"IO91","state":"confirmed"})");
    int e[4];
    ASSERT_TRUE(squareEdges("RR99", e));
    EXPECT_EQ(std::vector<int>(e, e + 4), (std::vector<int>{178, 89, 180, 90}));
}

// Refused before anything is written; a failed write keeps the earlier file.
TEST_F(MapExportTest, BadNamesSizesAndPlacesWriteNothing) {
    Error error;
    const MapExport map = maps.world(kViewWorld, {1016, 742});
    ASSERT_TRUE(writeMapExport(path("kept.png"), map, 1, error));
    const QByteArray kept = readFileBytes(path("kept.png"));
    const std::tuple<QString, QSize, double, const char*> cases[] = {
        {"m.gif", {1016, 742}, 1, "no picture format for this name (.png, .jpg"},
        {"m", {1016, 742}, 1, "no picture format for this name"},
        {"m.svg", {0, 742}, 1, "a picture of 0x742 pixels; each side must be 1 to 20000"},
        {"m.png", {20001, 10}, 1, "a picture of 20001x10 pixels"},
        {"m.pdf", {1016, 742}, 20, "a picture of 20320x14840 pixels"},
        {"no/such/m.svg", {1016, 742}, 1, ""},
    };
    for (const auto& [name, size, scale, reason] : cases) {
        MapExport bad = map;
        bad.size = size;
        EXPECT_FALSE(writeMapExport(path(name), bad, scale, error)) << name.toStdString();
        EXPECT_TRUE(error.reason.startsWith(QLatin1String(reason)) && !error.reason.isEmpty())
            << error;
    }
    for (const char* name : {"kept.png", "m.svg", "m.pdf", "m.kml", "m.geojson"}) {
        const WriteLimit fullDisk(1000);
        EXPECT_FALSE(writeMapExport(path(QString::fromLatin1(name)), map, 1, error)) << name;
    }
    EXPECT_EQ(readFileBytes(path("kept.png")), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.png"});
}

}  // namespace
}  // namespace morvel
