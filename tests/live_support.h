#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QColor>
#include <QCoreApplication>
#include <QDataStream>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QThread>
#include <QUdpSocket>
#include <functional>
#include <string>
#include <vector>

#include "live/live_session.h"
#include "live/wsjtx_message.h"
#include "test_support.h"

namespace morvel::test {

// Runs the event loop until done, or for at most `ms`.
inline void waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// A ledger file of a schema newer than this program's.
inline void writeNewerLedger(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version = 9", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Adds bytes at the end of a log, as a logging program writes it.
inline void append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A 2 m contact of 6 December 2026 as a log holds it, `more` fields before its end.
inline QByteArray adifRecord(const QByteArray& call, const QByteArray& grid,
                             const QByteArray& more = {}) {
    return "<call:" + QByteArray::number(call.size()) + ">" + call +
           "<gridsquare:" + QByteArray::number(grid.size()) + ">" + grid +
           "<band:2>2m<qso_date:8>20261206" + more + "<eor>\n";
}

// QSO Logged as WSJT-X 2.6 sends it: FT8, on at 19:`minute` on 6 December 2026, off a minute later.
inline QByteArray qsoLogged(const QString& call, const QString& grid, quint64 hz = 144'174'000,
                            int minute = 5) {
    live::MessageWriter w(live::MessageType::QsoLogged, "WSJT-X");
    w.dateTime(QDate(2026, 12, 6), QTime(19, minute + 1)).utf8(call.toStdString());
    w.utf8(grid.toStdString()).u64(hz).utf8("FT8").utf8("-10").utf8("-12");
    return w.utf8("").utf8("").utf8("").dateTime(QDate(2026, 12, 6), QTime(19, minute)).bytes();
}

// Appends the highlights a client received, as "ID CALL new|worked|clear", to `out`.
inline void receive(QUdpSocket& socket, const live::HighlightColours& colours, std::string& out) {
    while (socket.hasPendingDatagrams()) {
        const QByteArray bytes = socket.receiveDatagram().data();
        QDataStream in(bytes);
        quint32 magic = 0, schema = 0, type = 0;
        in >> magic >> schema;
        in.setVersion(schema >= 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_0);
        QByteArray id, call;
        QColor background, foreground;
        in >> type >> id >> call >> background >> foreground;
        const char* kind = !background.isValid()                    ? "clear"
                           : background == colours.newBackground    ? "new"
                           : background == colours.workedBackground ? "worked"
                                                                    : "other";
        const std::string item = type != 13 ? "type " + std::to_string(type)
                                            : (id + " " + call + " " + kind).toStdString();
        out += (out.empty() ? "" : "; ") + item;
    }
}

// A session of a blank 2 m database in a folder of its own.
struct SessionFixture {
    QTemporaryDir dir;
    QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    live::LiveSession session;
    explicit SessionFixture(live::LiveSettings settings = {})
        : session(db, dir.path(), dir.path(), settings) {
        session.clock = [] { return ChangelogStamp{"06/12/26", "19:00"}; };
    }
    void start() {
        Error error;
        ASSERT_TRUE(session.start(error)) << error;
    }
    void stop() {
        Error error;
        ASSERT_TRUE(session.stop(error)) << error;
    }
};

// morvel-cli listen, its standard error read as it comes.
struct Listener {
    QProcess cli;
    QByteArray err;
    void start(const QString& dir, const QStringList& args) {
        cli.setWorkingDirectory(dir);
        cli.start(MORVEL_CLI, QStringList{"listen"} + args);
    }
    bool saidWithin(const QByteArray& text) {
        waitFor([&] {
            cli.waitForReadyRead(50);
            err += cli.readAllStandardError();
            return err.contains(text);
        });
        return err.contains(text);
    }
};

// Following the log at `path`.
inline live::LiveSettings following(const QString& path) {
    live::LiveSettings settings;
    settings.logPath = path;
    return settings;
}

// Listening on a free UDP port of the loopback, highlighting callers.
inline live::LiveSettings highlighting() {
    live::LiveSettings settings;
    settings.udp = live::UdpEndpoint{};
    settings.udp->port = 0;
    settings.highlight = true;
    return settings;
}

// The datagrams a program sends, in order.
template <typename... Bytes>
inline std::vector<QByteArray> sent(const Bytes&... datagrams) {
    return {QByteArray(datagrams)...};
}

}  // namespace morvel::test
