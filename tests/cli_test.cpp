#include "app/cli.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <sstream>

#include "database/database_lock.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

// Every byte of what the program wrote or said against its golden file.
void expectGolden(const std::string& actual, const QString& name) {
    EXPECT_EQ(actual, readFileBytes(testDataPath(name)).toStdString()) << name.toStdString();
}

struct CliRun {
    int status;
    std::string out, err;
    bool said(int code, const char* message) const {
        return status == code && err.starts_with(message);
    }
};

struct Cli : ::testing::Test {
    CliRun run(const QStringList& args, const std::string& input = {}) {
        std::ostringstream out, err;
        std::istringstream is(input);
        return {runCli(args, {out, err, is}, QDir(dir.path())), out.str(),
                err.str()};  // in this order
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Each command as "$ morvel-cli ARGS", what it printed, what it said under
    // "[standard error]" and its status unless 0; the folder shown as DIR.
    std::string transcript(const std::vector<QStringList>& commands,
                           const std::string& input = {}) {
        QString t;
        for (const QStringList& args : commands) {
            const CliRun r = run(args, input);
            t += "$ morvel-cli " + args.join(' ') + "\n" + QString::fromStdString(r.out);
            if (!r.err.empty()) t += "[standard error]\n" + QString::fromStdString(r.err);
            if (r.status) t += QString("[exit %1]\n").arg(r.status);
        }
        return t.replace(dir.path(), "DIR").toStdString();
    }
    void copyData(const char* name, const char* as) {
        ASSERT_TRUE(QFile::copy(testDataPath(name), path(as))) << name;
    }
    // FN31 worked and IO91 confirmed, measured from JO62QM.
    void setExample(const QString& db) {
        setSquare(db, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
        setSquare(db, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    }

    QTemporaryDir dir;
};

// The commands across bands, each with its output and its refusals; stats
// shows the name without its folder when a path is given. The summaries, of
// the new database and of the example, match their golden files.
TEST_F(Cli, BandCommands) {
    const QString db = "2M JO62QM HOME.QRA";
    std::string said = transcript({{"create", "2m", "jo62qm", "home"}, {"summary", db, "e.txt"}});
    setExample(path("2M JO62QM HOME.QRA"));
    writeFileBytes(path("log.adi"), "<CALL:3>K1A <QSO_DATE:8>20240101 <BAND:2>2m <GRIDSQUARE:4>FN31 "
                                    "<PROP_MODE:3>EME <QSL_RCVD:1>Y <EOR>");
    said += transcript({
        {"summary", db, "w.txt"}, {"summary", db, "c.txt", "--confirmed"},
        {"stats", path("2M JO62QM HOME.QRA")},
        {"overview", "--csv"}, {"overview", "nowhere"}, {"needed", db, "--within", "130"},
        {"needed", db, "--unconfirmed", "--within=-1"}, {"needed", db, "--unconfirmed"},
        {"award-list", db, "a.csv", "--confirmed"}, {"map", "--all-bands", ".", "m.png"},
        {"import-adif", db, "log.adi", "--prop-mode", "EMEX"},
        {"import-adif", db, "log.adi", "--confirmed-by", "fax"},
        {"import-adif", db, "log.adi", "--not-prop-mode", "eme"}});
    expectGolden(said + readFileBytes(path("a.csv")).toStdString(), "cli_band_commands.txt");
    for (const auto& [out, golden] : {std::pair{"e.txt", "summary_worked_empty.txt"},
                                      {"w.txt", "summary_worked_example.txt"},
                                      {"c.txt", "summary_confirmed_example.txt"}})
        expectGolden(readFileBytes(path(out)).toStdString(), golden);
}

// The ledger's commands after two imports of one log: the awards from the
// ledger (FN42 by card and LoTW counts, EM12 by eQSL does not, the 2 m
// satellite contact counts for the Satellite VUCC only) and the contacts of
// a database or of one square; --no-ledger keeps a log out of it.
TEST_F(Cli, LedgerCommands) {
    makeBlankDatabase(dir.path(), "6M FN31PR HOME.QRA");
    makeBlankDatabase(dir.path(), "2M FN31PR HOME.QRA");
    copyData("cli_ledger_log.adi", "log.adi");
    writeFileBytes(path("other.adi"), "<CALL:4>N1XX <QSO_DATE:8>20240603 <BAND:2>6m "
                                      "<GRIDSQUARE:4>FN43 <QSL_RCVD:1>Y <EOR>\n");
    const QString six = "6M FN31PR HOME.QRA", two = "2M FN31PR HOME.QRA";
    expectGolden(transcript({{"import-adif", six, "log.adi"},
                          {"import-adif", two, "log.adi"},
                          {"import-adif", six, "other.adi", "--no-ledger"},
                          {"contacts", six}, {"contacts", six, "fn42ab"}, {"contacts", six, "FN43"},
                          {"contacts", two}, {"contacts", six, "ZZ99"}, {"contacts", "nowhere.qra"},
                          {"awards"}, {"awards", ".", "--csv"}}),
                 "cli_ledger_commands.txt");
}

// A "n" answer writes nothing; "y" or --yes imports, and the ledger knows
// the contact from the first import; --no-ledger leaves it out.
TEST_F(Cli, ImportEdiAsksAndReadsTheAnswer) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    writeFileBytes(path("log.edi"),
                   "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                   "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QStringList args = {"import-edi", "2M JO62QM HOME.QRA", "log.edi"};
    std::string said = transcript({args}, "n\n");
    EXPECT_FALSE(readSquare(db, "IO", 85).hasContact());
    said += transcript(
        {args, args + QStringList{"--yes"}, args + QStringList{"--yes", "--no-ledger"}}, "y\n");
    expectGolden(said, "cli_import_edi.txt");
}

// An import through a left-over lock file takes it over and says so.
TEST_F(Cli, ALeftOverLockFileTakenOverIsSaidInTheReport) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    QFile lock(DatabaseLock::lockPath(db));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                 QFileDevice::FileModificationTime));
    writeFileBytes(path("log.adi"),
                   "<call:6>DL1ABC<gridsquare:4>JO62<band:2>2m<qso_date:8>20261206<eor>");
    const CliRun r = run({"import-adif", db, "log.adi", "--no-ledger"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Took over the lock file " +
                         QDir::toNativeSeparators(lock.fileName()).toStdString()),
              std::string::npos)
        << r.err;
    EXPECT_EQ(std::string(readSquare(db, "JO", 62).callsignText()), "DL1ABC    ");
}

TEST_F(Cli, MapAndFieldPicturesOfARealFile) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM .QRA");
    setSquare(db, "IO", 85, makeEntry("IO85AB", "G4XYZ", "01/02/03", false));
    EXPECT_EQ(run({"map", "2M JO62QM .QRA", "world.png"}).out,
              path("world.png").toStdString() + "\n");
    // The map under the heading of 48 pixels.
    EXPECT_EQ(QImage(path("world.png")).size(), QSize(1016, 742 + 48));
    EXPECT_EQ(QImage(path("world.png")).pixelColor(499, 142 + 48),
              QColor(249, 96, 79));  // IO85, 3 W 55.5 N
    // Europe, 40 W to 100 E and 90 N to 20 N: IO85 from (432, 408) to (456, 420).
    run({"map", "--size", "1680x840", db, "eu.JPG", "--view=europe"});  // options anywhere
    const QImageReader jpeg(path("eu.JPG"));
    EXPECT_EQ(jpeg.format() + QByteArray::number(jpeg.size().width() * 1000 + jpeg.size().height()),
              "jpeg1680840");
    const QColor eu = QImage(path("eu.JPG")).pixelColor(444, 414);  // near, as JPEG keeps it
    EXPECT_LT(std::abs(eu.red() - 249) + std::abs(eu.green() - 96) + std::abs(eu.blue() - 79), 60);
    ASSERT_EQ(run({"field", db, "io", "io.png"}).status, 0);
    EXPECT_EQ(QImage(path("io.png")).size(), QSize(1201, 601 + 48));  // the field alone
    EXPECT_EQ(QImage(path("io.png")).pixelColor(966, 246 + 48), QColor(249, 96, 79));
    // The state borders over FN, New England, in their colour (192, 64, 0).
    for (const bool states : {false, true}) {
        run(QStringList{"field", db, "fn", "fn.png", "--size", "300x120"} +
            (states ? QStringList{"--states"} : QStringList{}));
        const QImage fn(path("fn.png"));
        int dots = 0;
        for (int y = 0; y < fn.height(); ++y)
            for (int x = 0; x < fn.width(); ++x) dots += fn.pixelColor(x, y) == QColor(192, 64, 0);
        EXPECT_EQ(fn.size(), QSize(240, 120 + 48));
        EXPECT_EQ(dots > 0, states);
    }

    // Nothing written, nothing created.
    expectGolden(transcript({{"map", db, "x.png", "--view", "mars"},
                             {"map", db, "x.png", "--size", "0x10"},
                             {"map", db, "x.svg", "--size", "20001x10"},
                             {"map", db, "x.pdf", "--scale", "0"},
                             {"field", db, "io", "x.png", "--scale", "17"}, {"map", db, "x.svgz"},
                             {"map", db, "x.gif"}, {"map", "missing.qra", "x.png"},
                             {"field", db, "SA", "x.png"}}),
                 "cli_picture_refusals.txt");
    EXPECT_TRUE(run({"map", db, "no/such/x.png"}).said(1, "The picture could not be written: "));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
}

// Blocks of 8 x 8 pixels whose mean colours differ, as a share of all: the
// SVG renderer smooths a line over two pixels where the map draws one.
double differingShare(const QImage& a, const QImage& b) {
    const QImage p = a.scaled(a.size() / 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage q = b.scaled(a.size() / 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int differing = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QColor c = p.pixelColor(x, y), d = q.pixelColor(x, y);
            differing += std::abs(c.red() - d.red()) + std::abs(c.green() - d.green()) +
                             std::abs(c.blue() - d.blue()) >
                         60;
        }
    return double(differing) / (p.width() * p.height());
}

// FN31, IO91 and JO00 to JO05: eight squares painted.
TEST_F(Cli, ExportsInTheFormatOfTheSuffix) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    setExample(db);
    for (int slot = 0; slot < 6; ++slot) setSquare(db, "JO", slot, makeEntry("JO", "DL1A", "", 0));
    // Drawn again, the SVG is the PNG: squares as rects, outlines as paths, text as text;
    // the heading adds its white band and two swatches, its title, day and two labels.
    const std::tuple<QStringList, int, int> drawings[] = {{{"map", db}, 8 + 1, 0},
                                                          {{"map", db, "--view=europe"}, 8 + 1, 0},
                                                          {{"field", db, "JO"}, 6 + 1, 100}};
    for (const auto& [args, rects, texts] : drawings) {
        run(args + QStringList{"m.png"});
        const QByteArray svg =
            readFileBytes(QString::fromStdString(run(args + QStringList{"m.svg"}).out).trimmed());
        const QImage png = QImage(path("m.png")).convertToFormat(QImage::Format_RGB32);
        QImage drawn(png.size(), QImage::Format_RGB32);
        QPainter painter(&drawn);
        QSvgRenderer(svg).render(&painter, QRectF(QPointF(0, 0), QSizeF(png.size())));
        painter.end();
        EXPECT_LT(differingShare(drawn, png), 0.01) << args.join(' ').toStdString();
        EXPECT_EQ(svg.count("<rect") - svg.count("width=\"1\" height=\"1\""), rects + 3);
        EXPECT_EQ(svg.count("<text") * 1000 + std::min<int>(svg.count("<path"), 10),
                  (texts + 4) * 1000 + 10);
    }
    // The picture with its heading of 48 pixels, times the scale: a PDF's one
    // page in points, an SVG's view box in pixels and its width and height in
    // millimetres, all at 96 pixels an inch.
    const std::tuple<const char*, const char*, const char*, const char*> sized[] = {
        {"m.pdf", "1016x742", "2", "2032x1580"}, {"m.pdf", "300x450", "2", "600x996"},
        {"m.pdf", "400x452", "1", "400x500"},    {"m.svg", "300x450", "1", "300x498"},
        {"m.svg", "300x450", "2.5", "750x1245"}, {"m.svg", "1016x742", "0.5", "508x395"},
    };
    for (const auto& [out, size, scale, pixels] : sized) {
        run({"map", db, out, "--size", size, "--scale", scale});
        const QString text = QString::fromLatin1(readFileBytes(path(out)));
        const auto inPixels = [&](const char* pattern, double perPixel) {
            const auto m = QRegularExpression(pattern).match(text);
            return QString("%1x%2")
                .arg(qRound(m.captured(1).toDouble() / perPixel))
                .arg(qRound(m.captured(2).toDouble() / perPixel));
        };
        if (QString(out).endsWith("pdf")) {
            EXPECT_EQ(text.count(QRegularExpression("/Type\\s*/Page[^s]")), 1);
            EXPECT_EQ(inPixels("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)", 0.75), QString(pixels)) << scale;
        } else {
            EXPECT_EQ(inPixels("viewBox=\"0 0 ([0-9.]+) ([0-9.]+)\"", 1), QString(pixels)) << scale;
            EXPECT_EQ(inPixels("<svg width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"", 25.4 / 96),
                      QString(pixels))
                << scale;
        }
    }
    // Placemarks and features of the eight squares, the rings closed and
    // counter-clockwise on the squares' edges.
    for (const char* name : {"m.kml", "m.geojson"}) {
        run({"map", db, name});
        expectGolden(readFileBytes(path(name)).toStdString(), QString("cli_") + name);
    }
    // A full disk: nothing new, the earlier file as it was.
    const QByteArray kept = readFileBytes(path("m.kml"));
    for (const char* name : {"m.kml", "n.svg", "n.pdf", "n.png", "n.geojson"}) {
        const WriteLimit fullDisk(1000);
        EXPECT_TRUE(run({"map", db, name}).said(1, "The picture could not be written: "));
    }
    EXPECT_EQ(readFileBytes(path("m.kml")), kept);
    EXPECT_FALSE(QDir(dir.path()).entryList(QDir::Files).join(' ').contains("n."));
}

// --help on standard output, exit 0; a usage error on standard error, exit 2.
TEST_F(Cli, HelpAndUsageErrors) {
    expectGolden(transcript({{"--help"}, {}, {"bogus", "x"}, {"--bogus"}, {"--version", "stats", "a.qra"},
                          {"field", "--help"}, {"summary", "a.qra", "s.txt", "--other"},
                          {"map", "a.qra", "m.png", "--size"},
                          {"import-edi", "a.qra", "l.edi", "--yes", "--yes"}, {"stats", "-x.qra"},
                          {"stats", "--", "-x.qra"}}),
                 "cli_help.txt");
}

}  // namespace
}  // namespace morvel
