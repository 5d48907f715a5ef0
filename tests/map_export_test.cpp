#include "maps/map_export.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "maps/map_heading.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

MapSquare square(const char* name, const char* date) {
    MapSquare s;
    s.square = name;
    s.call = "G4ABC";
    s.date = date;
    s.locator = "IO91WM";
    s.fill = QColor(249, 96, 79);
    return s;
}

TEST(IsoDate, StoredDatesAndTheirCentury) {
    for (const auto& c : test::tableRows("iso_dates.txt", 2))
        EXPECT_EQ(isoDate(c[0]), c[1]) << c[0];
}

// GIS tools read "date" as a date: ISO, or null; the stored text stays beside it.
TEST(GeoFormats, CarryTheDateAsIsoAndTheStoredText) {
    const MapSquare squares[] = {square("IO91", "04/11/24"), square("JO01", "xx/yy/zz")};
    const QByteArray json = geoJsonDocument(squares);
    EXPECT_TRUE(json.contains(R"("date":"2024-11-04","stored_date":"04/11/24")")) << json.data();
    EXPECT_TRUE(json.contains(R"("date":null,"stored_date":"xx/yy/zz")")) << json.data();
    const QByteArray kml = kmlDocument(squares, QStringLiteral("2M JO62QM HOME World"));
    EXPECT_EQ(kml.count("<TimeStamp>"), 1);
    EXPECT_TRUE(kml.contains("<TimeStamp><when>2024-11-04</when></TimeStamp>")) << kml.data();
    EXPECT_TRUE(
        kml.contains("<Data name=\"date\"><value>2024-11-04</value></Data>"
                     "<Data name=\"stored_date\"><value>04/11/24</value></Data>"));
    EXPECT_TRUE(
        kml.contains("<Data name=\"date\"><value></value></Data>"
                     "<Data name=\"stored_date\"><value>xx/yy/zz</value></Data>"));
}

// A map of 400 x 200 that is grey all over, with the title the windows give.
MapExport greyMap() {
    return {QSizeF(400, 200),
            [](QPainter& painter, QSizeF size) {
                painter.fillRect(QRectF(QPointF(0, 0), size), QColor(128, 128, 128));
            },
            {square("IO91", "04/11/24")},
            QStringLiteral("2M JO62QM HOME World")};
}

// The newer pictures carry the title with the day of the export and the
// legend above the map; JPEG, the field map's own export format, does not.
TEST(ExportHeading, TitleAndLegendAboveTheMapInSvgPngAndPdf) {
    QTemporaryDir dir;
    const QString day = "exported " + QDate::currentDate().toString(Qt::ISODate);
    Error error;
    ASSERT_TRUE(writeMapExport(dir.filePath("m.svg"), greyMap(), 1, error)) << error;
    const QByteArray svg = test::readFileBytes(dir.filePath("m.svg"));
    EXPECT_TRUE(svg.contains(">2M JO62QM HOME World<") && svg.contains(">" + day.toUtf8() + "<"))
        << svg.data();
    EXPECT_TRUE(svg.contains(">Worked<") && svg.contains(">Confirmed<")) << svg.data();
    EXPECT_TRUE(svg.contains("fill=\"#f9604f\"") && svg.contains("fill=\"#008000\""));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 400 248\"")) << "the map's 200 and the heading's 48";

    const std::tuple<const char*, double, QSize> rasters[] = {
        {"m.png", 1, {400, 248}}, {"m2.png", 2, {800, 496}}, {"m.jpg", 1, {400, 200}}};
    for (const auto& [name, scale, size] : rasters) {
        ASSERT_TRUE(writeMapExport(dir.filePath(name), greyMap(), scale, error)) << error;
        const QImage image(dir.filePath(name));
        EXPECT_EQ(image.size(), size) << name;
        if (size.height() == 200) {
            EXPECT_NEAR(image.pixelColor(200, 5).red(), 128, 4);  // the map from the top
            continue;
        }
        const auto at = [&](double x, double y) {
            return image.pixelColor(qRound(x * scale), qRound(y * scale));
        };
        EXPECT_EQ(at(390, 2), QColor(Qt::white)) << name;
        EXPECT_EQ(at(14, 36), QColor(249, 96, 79)) << name;  // the first swatch
        EXPECT_EQ(at(200, 49), QColor(128, 128, 128)) << name;
        EXPECT_EQ(at(399, 247), QColor(128, 128, 128)) << name;
        int green = 0;
        for (int x = 0; x < image.width(); ++x) green += at(x / scale, 36) == QColor(0, 128, 0);
        EXPECT_GT(green, 0) << name;
    }
    ASSERT_TRUE(writeMapExport(dir.filePath("m.pdf"), greyMap(), 1, error)) << error;
    EXPECT_TRUE(test::readFileBytes(dir.filePath("m.pdf"))
                    .contains("/MediaBox [0 0 300.000000 186.000000]"));
}

}  // namespace
}  // namespace morvel
