#include <QElapsedTimer>
#include <QTableWidget>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app_fixture.h"
#include "database/qra_file.h"

namespace morvel::test {
namespace {

// A database with every one of its 32,400 squares worked, as a busy
// station's would be after years.
void writeFullDatabase(const QString& path) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    for (int r = 1; r <= kRecordCount; ++r) {
        const std::string field = fieldLetters(r);
        for (int slot = 0; slot < FieldRecord::kSquares; ++slot) {
            const std::string loc = field + char('0' + slot / 10) + char('0' + slot % 10) + "mm";
            records[static_cast<std::size_t>(r - 1)].entries[static_cast<std::size_t>(slot)] =
                makeEntry(loc, "DL1ABC", "01/01/24", slot % 3 == 0);
        }
    }
    Error error;
    ASSERT_TRUE(writeDatabase(path, records, error)) << error;
}

class ResponsivenessTest : public AppFixture {
protected:
    // The longest wait between two ticks of a 5 ms timer from start() until
    // done() holds, in ms; -1 when done() never came. globalBusy: the longest
    // time, in ms, that Qt's global pool was seen at work without a break,
    // looked at every millisecond from a thread of its own (the painter's own
    // image work there lasts well under that).
    qint64 longestGap(const std::function<void()>& start, const std::function<bool()>& done,
                      qint64& globalBusy) {
        QTimer ticker;
        ticker.setInterval(5);
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        std::atomic<bool> watching{true};
        std::thread watcher([&] {
            qint64 busySince = -1;
            while (watching) {
                const qint64 now = clock.elapsed();
                if (QThreadPool::globalInstance()->activeThreadCount() == 0) {
                    busySince = -1;
                } else {
                    if (busySince < 0) busySince = now;
                    globalBusy = std::max(globalBusy, now - busySince);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        ticker.start();
        start();
        const bool finished = QTest::qWaitFor(done, 60000);
        ticker.stop();
        watching = false;
        watcher.join();
        longest = std::max(longest, clock.elapsed() - last);
        return finished ? longest : -1;
    }
};

// Live contacts are written into the database the field map shows, and the
// overview reads 24 full databases, while the window thread goes on ticking.
// The longest gaps are recorded (the test's XML output); the 50 ms target is
// held by bench/live_bench (longest_gap_ms), not by a timed test. What the
// test holds is why the window keeps answering: the work leaves Qt's global
// pool free, since the painter of a window hands image work to that pool and
// waits for it (a busy pool stalled the overview's first paint 50-70 ms).
TEST_F(ResponsivenessTest, LiveContactsAndTheOverviewOf24DatabasesFinishWhileTheWindowTicks) {
    const QString name = QStringLiteral("2M JO62QM HOME.QRA");
    makeBlankDatabase(dataDir.path(), name);
    for (int i = 0; i < 23; ++i) {
        const QString band = QString::fromStdString(bandList()[static_cast<std::size_t>(i % 10)]);
        writeFullDatabase(dataPath(band.toUpper() + " JO62QM FULL" + QString::number(i) + ".QRA"));
    }
    ASSERT_TRUE(listen(name));
    QWidget* map = openFieldMap();

    QUdpSocket sender;
    const quint16 port = state.live->udpPort();
    int sent = 0;
    QTimer burst;  // 50 contacts every 10 ms, the socket's buffer never overrun
    QObject::connect(&burst, &QTimer::timeout, [&] {
        for (int i = 0; i < 50 && sent < 1000; ++i, ++sent) {
            const int square = sent % 3240;
            const QString grid = QString(QChar('A' + square / 180)) +
                                 QChar('A' + square / 10 % 18) + QString::number(square % 10) +
                                 QString::number(sent / 3240);
            sender.writeDatagram(qsoLogged("DL" + QString::number(1000 + sent) + "X", grid),
                                 QHostAddress::LocalHost, port);
        }
    });
    // What is timed, what is prepared untimed, how it starts and when it is done.
    using Act = std::function<void()>;
    const std::tuple<const char*, Act, Act, std::function<bool()>> cases[] = {
        {"1,000 live contacts", [] {}, [&] { burst.start(10); },
         [&] { return state.live->counts().taken == 1000; }},
        {"the overview of 24 databases",
         [&] {
             click(map, "Command1");  // back to the main menu
             windows.unload(kMainMenuWindow);
             // Once before, so that what is timed is the reading, not the
             // first look-up of the window's fonts.
             windows.show(kOverviewWindow);
             EXPECT_TRUE(waitWhileBusy());
             windows.unload(kOverviewWindow);
             deleteUnloaded();
         },
         [&] { windows.show(kOverviewWindow); },
         [&] {
             QWidget* overview = windows.loaded(kOverviewWindow);
             return overview && QApplication::overrideCursor() == nullptr &&
                    control<QTableWidget>(overview, "OverviewTable")->rowCount() == 25;
         }},
    };
    for (const auto& [what, prepare, start, done] : cases) {
        SCOPED_TRACE(what);
        prepare();
        qint64 globalBusy = 0;
        const qint64 gap = longestGap(start, done, globalBusy);
        EXPECT_GE(gap, 0) << "never finished";
        EXPECT_LT(globalBusy, 25) << "work on the pool the painting waits for";
        RecordProperty(what, static_cast<int>(gap));
        RecordProperty(std::string(what) + ", global pool busy", static_cast<int>(globalBusy));
    }
    // The contacts are in the database and its change log.
    EXPECT_EQ(std::string(readSquare(dataPath(name), "AA", 0).callsignText()), "DL1000X   ");
    EXPECT_EQ(readFileBytes(dataPath("changelog.txt")).count("\nDL1"), 1000);
}

}  // namespace
}  // namespace morvel::test
