#include <QListWidget>
#include <QTableWidget>

#include "app_fixture.h"

namespace morvel::test {
namespace {

using OverviewWindowTest = AppFixture;

// From the main menu: the table in band order, the first database's needed
// squares, its award list and the map of both bands through the save dialog.
TEST_F(OverviewWindowTest, TableNeededSquaresAwardListAndMap) {
    const QString two = makeBlankDatabase(dataDir.path(), "2M JO62QM HOME.QRA");
    setSquare(two, "JO", 62, makeEntry("JO62QM", "DL1AB", "01/01/24", true));
    makeBlankDatabase(dataDir.path(), "70CM JO62QM HOME.QRA");
    const QString six = makeBlankDatabase(dataDir.path(), "6M JO62QM HOME.QRA");
    setSquare(six, "JO", 72, makeEntry("JO72AA", "SP1A", "02/01/24", false));
    click(windows.show(kMainMenuWindow), "Overview");
    QWidget* overview = windows.loaded(kOverviewWindow);
    ASSERT_TRUE(overview && overview->isVisible());
    auto* table = control<QTableWidget>(overview, "OverviewTable");
    const auto cell = [&](int r, int c) {
        return table->item(r, c) ? table->item(r, c)->text() : "";
    };
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << cell(r, 0) + " " + cell(r, 2) + " " + cell(r, 8);
    EXPECT_EQ(rows.join('|'), "6m 1 0 / 100|2m 1 1 / 100|70cm 0 0 / 50|All bands 2 ");
    // 6 m first: JO72 worked, so JO62 (23 km) leads its needed list.
    // Read on a worker: the list fills when it is read.
    auto* needed = control<QListWidget>(overview, "NeededList");
    ASSERT_TRUE(QTest::qWaitFor([&] { return needed->count() > 0 && needed->isEnabled(); }));
    EXPECT_TRUE(needed->item(0)->text().startsWith("JO62"));

    dialogs.files = {"award.csv"};
    click(overview, "AwardList");
    EXPECT_EQ(readFileBytes(dataPath("award.csv")).toStdString(),
              "Square,Call,Date,Locator,Confirmed,Database,Confirmed by\r\n"
              "JO72,SP1A,02/01/24,JO72AA,N,6M JO62QM HOME.QRA,\r\n");
    dialogs.clear();
    dialogs.files = {dataPath("map.svg")};
    click(overview, "AllBandsMap");
    EXPECT_EQ(dialogs.requests.at(0).proposedName, "All bands World.png");
    expectOneMessage("File map.svg saved");
    EXPECT_TRUE(readFileBytes(dataPath("map.svg")).contains("<rect"));
    table->item(0, 0)->setCheckState(Qt::Unchecked);  // 6 m left off the map
    dialogs.files = {dataPath("map.geojson")};
    click(overview, "AllBandsMap");
    EXPECT_EQ(readFileBytes(dataPath("map.geojson")).count("\"square\""), 1);  // JO62 only
    click(overview, "MainMenu");
    EXPECT_TRUE(menu() && menu()->isVisible());
}

}  // namespace
}  // namespace morvel::test
