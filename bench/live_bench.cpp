// Live contacts: a datagram received to the database replaced (full
// database), a burst of 1,000 QSO Logged over the loopback, and what
// listening costs while nothing arrives.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <memory>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "live/live_session.h"

namespace {

using namespace morvel;

// Every square of the database worked, none confirmed.
QString fullDatabase(const QTemporaryDir& dir) {
    const QString path = QDir(dir.path()).filePath(QStringLiteral("2M JO62QM BENCH.QRA"));
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    for (int r = 1; r <= kRecordCount; ++r) {
        const std::string field = fieldLetters(r);
        for (int s = 0; s < FieldRecord::kSquares; ++s) {
            SquareEntry& e =
                records[static_cast<std::size_t>(r - 1)].entries[static_cast<std::size_t>(s)];
            e.worked = SquareEntry::kSet;
            e.setCallsign("OLD1");
            e.setDate("01/01/20");
            e.setLocator(field + char('0' + s / 10) + char('0' + s % 10));
        }
    }
    Error error;
    writeBlankDatabase(path, error);
    writeDatabase(path, records, error);
    return path;
}

std::string square(int n) {
    const std::string field = fieldLetters(n / 100 % kRecordCount + 1);
    return field + char('0' + n % 100 / 10) + char('0' + n % 10);
}

// A QSO Logged as WSJT-X writes it (schema 2).
QByteArray qsoLogged(const std::string& call, const std::string& grid) {
    return live::MessageWriter(live::MessageType::QsoLogged, "WSJT-X", 2)
        .dateTime(QDate(2026, 12, 6), QTime(19, 0))
        .utf8(call)
        .utf8(grid)
        .u64(144174000)
        .utf8("FT8")
        .bytes();
}

// A confirmation through Logged ADIF: every one changes a square of the full database.
QByteArray confirmed(const std::string& call, const std::string& grid) {
    const std::string adif = "<call:" + std::to_string(call.size()) + ">" + call +
                             "<gridsquare:4>" + grid +
                             "<band:2>2m<qso_date:8>20261206<qsl_rcvd:1>Y<eor>";
    return live::MessageWriter(live::MessageType::LoggedAdif, "WSJT-X", 2).utf8(adif).bytes();
}

struct Listening {
    QTemporaryDir dir;
    QString db;
    std::unique_ptr<live::LiveSession> session;
    QUdpSocket sender;
    Listening(int minWriteIntervalMs, bool full) {
        if (full) {
            db = fullDatabase(dir);
        } else {
            db = QDir(dir.path()).filePath(QStringLiteral("2M JO62QM BENCH.QRA"));
            Error error;
            writeBlankDatabase(db, error);
        }
        live::LiveSettings settings;
        settings.udp = live::UdpEndpoint{};
        settings.udp->port = 0;
        session = std::make_unique<live::LiveSession>(db, dir.path(), dir.path(), settings);
        session->minWriteIntervalMs = minWriteIntervalMs;
        Error error;
        if (!session->start(error)) std::abort();
    }
    void send(const QByteArray& d) {
        sender.writeDatagram(d, QHostAddress::LocalHost, session->udpPort());
    }
    // The event loop runs (sleeping while nothing happens) until n are taken.
    bool waitForTaken(std::int64_t n, int ms) {
        if (session->counts().taken < n) {
            QEventLoop loop;
            QTimer::singleShot(ms, &loop, &QEventLoop::quit);
            QObject::connect(session.get(), &live::LiveSession::contactTaken, &loop, [&] {
                if (session->counts().taken >= n) loop.quit();
            });
            loop.exec();
        }
        return session->counts().taken >= n;
    }
};

void BM_DatagramToDatabaseReplaced(benchmark::State& state) {
    Listening l(0, true);
    int n = 0;
    for (auto _ : state) {
        l.send(confirmed("DL" + std::to_string(n), square(n)));
        ++n;
        if (!l.waitForTaken(n, 5000)) state.SkipWithError("a contact was not taken");
    }
    state.counters["writes"] = l.session->databaseWrites();
}
BENCHMARK(BM_DatagramToDatabaseReplaced)->Unit(benchmark::kMillisecond)->UseRealTime();

// Timed from the first send to the last contact taken (the session's
// setting up and closing are not part of it).
void BM_Burst1000QsoLogged(benchmark::State& state) {
    constexpr int kBurst = 1000;
    std::int64_t writes = 0;
    std::int64_t taken = 0;
    qint64 longestGapMs = 0;
    for (auto _ : state) {
        Listening l(250, false);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kBurst; ++i)
            l.send(qsoLogged("DL" + std::to_string(i), square(i * 37)));
        // The longest the calling (window) thread waits between two ticks
        // of a 5 ms timer while the session writes: its disk work is on a
        // worker, so this stays far below the 50 ms a user would notice.
        QTimer ticker;
        ticker.setInterval(5);
        QElapsedTimer clock;
        qint64 last = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
            last = clock.elapsed();
        });
        clock.start();
        ticker.start();
        l.waitForTaken(kBurst, 20000);
        ticker.stop();
        longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
        writes = l.session->databaseWrites();
        taken = l.session->counts().taken;
        if (taken != kBurst) state.SkipWithError("contacts were lost");
    }
    state.counters["taken"] = static_cast<double>(taken);
    state.counters["writes"] = static_cast<double>(writes);
    state.counters["longest_gap_ms"] = static_cast<double>(longestGapMs);
}
BENCHMARK(BM_Burst1000QsoLogged)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// One second of listening with nothing arriving: the CPU time and the
// context switches of the whole process (both threads) over it.
void BM_IdleListeningSecond(benchmark::State& state) {
    Listening l(250, true);
    rusage before{};
    rusage after{};
    for (auto _ : state) {
        getrusage(RUSAGE_SELF, &before);
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        getrusage(RUSAGE_SELF, &after);
    }
    const auto us = [](const timeval& tv) { return tv.tv_sec * 1e6 + tv.tv_usec; };
    state.counters["cpu_us"] =
        us(after.ru_utime) + us(after.ru_stime) - us(before.ru_utime) - us(before.ru_stime);
    state.counters["switches"] =
        static_cast<double>(after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw);
}
BENCHMARK(BM_IdleListeningSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
