#include "maps/map_export.h"

#include <gtest/gtest.h>

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

// Two-digit years from 80 on are the 1900s, the locator squares' first
// decades; the rest the 2000s. Anything but a real dd/mm/yy date is none.
TEST(IsoDate, StoredDatesAndTheirCentury) {
    const std::pair<const char*, const char*> cases[] = {
        {"04/11/24", "2024-11-04"}, {"25/12/02", "2002-12-25"}, {"01/01/00", "2000-01-01"},
        {"31/12/79", "2079-12-31"}, {"01/01/80", "1980-01-01"}, {"15/06/99", "1999-06-15"},
        {"29/02/24", "2024-02-29"}, {"29/02/23", ""},           {"31/04/24", ""},
        {"00/01/24", ""},           {"01/13/24", ""},           {"1/1/2024", ""},
        {"04-11-24", ""},           {"04/11/2x", ""},           {"", ""},
        {"04/11/24 ", ""},
    };
    for (const auto& [stored, iso] : cases) EXPECT_EQ(isoDate(stored), iso) << stored;
}

// GIS tools read "date" as a date: ISO, or null; the stored text stays beside it.
TEST(GeoFormats, CarryTheDateAsIsoAndTheStoredText) {
    const MapSquare squares[] = {square("IO91", "04/11/24"), square("JO01", "??/??/??")};
    const QByteArray json = geoJsonDocument(squares);
    EXPECT_TRUE(json.contains(R"("date":"2024-11-04","stored_date":"04/11/24")")) << json.data();
    EXPECT_TRUE(json.contains(R"("date":null,"stored_date":"??/??/??")")) << json.data();
    const QByteArray kml = kmlDocument(squares, QStringLiteral("2M JO62QM HOME World"));
    EXPECT_EQ(kml.count("<TimeStamp>"), 1);
    EXPECT_TRUE(kml.contains("<TimeStamp><when>2024-11-04</when></TimeStamp>")) << kml.data();
    EXPECT_TRUE(
        kml.contains("<Data name=\"date\"><value>2024-11-04</value></Data>"
                     "<Data name=\"stored_date\"><value>04/11/24</value></Data>"));
    EXPECT_TRUE(
        kml.contains("<Data name=\"date\"><value></value></Data>"
                     "<Data name=\"stored_date\"><value>??/??/??</value></Data>"));
}

}  // namespace
}  // namespace morvel
