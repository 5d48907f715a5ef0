#include "import/square_edit.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <functional>

#include "database/database_document.h"
#include "database/database_lock.h"
#include "ledger/ledger.h"
#include "tests/live_support.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

QByteArray bytesIfAny(const QString& path) {
    return QFile::exists(path) ? readFileBytes(path) : QByteArray();
}

const QString kDb = QStringLiteral("2M IO85AB X.QRA");

// A live session on the owner given, or on one of its own as another program
// would have, writing at most every 5 ms.
template <typename Owner>
std::unique_ptr<live::LiveSession> liveSession(const Owner& owner, const QString& dir) {
    auto s = std::make_unique<live::LiveSession>(owner, dir, dir, live::LiveSettings{});
    s->clock = [] { return ChangelogStamp{"06/12/26", "19:05"}; };
    s->minWriteIntervalMs = 5;
    return s;
}

// One contact, and its write.
void logOne(live::LiveSession& s, const QString& call, const QString& grid) {
    const int before = s.databaseWrites();
    s.takeDatagram(qsoLogged(call, grid), QHostAddress::LocalHost, 2237);
    waitFor([&] { return s.databaseWrites() != before; }, 20000);
}

// The editor's save of square IO85 through the database's owner: the file
// (with bytes past its last record kept), the change log's line and the
// ledger's contact, whatever state the ledger is in; a read-only database, or
// one whose lock another writer holds (the edit waits no longer than told),
// is left as it was, with nothing journalled.
TEST(SquareEdit, SavedThroughTheOwnerIntoFileChangeLogAndLedger) {
    const SquareEntry g4abc = makeEntry("IO85", "G4ABC", "01/02/03", false);
    const char* const g4abcLine = "G4ABC         01/02/03      IO85 edited\r\n";
    // What, the entry saved, whether it is saved, the change log's line or the
    // refusal's reason, the ledger's only contact ("" for none), the result's
    // ledger problem.
    const std::tuple<const char*, SquareEntry, bool, const char*, const char*, const char*>
        cases[] = {
            {"worked", makeEntry("IO85MX", "G4ABC", "01/02/03", false), true,
             "G4ABC         01/02/03      IO85MX edited\r\n", "G4ABC", ""},
            {"confirmed", makeEntry("IO85", "DL1XY", "24/12/24", true), true,
             "DL1XY         24/12/24      IO85 QSL edited\r\n", "DL1XY", ""},
            {"cleared", SquareEntry::blank(), true, "IO85 cleared\r\n", "", ""},
            {"ledger not SQLite", g4abc, true, g4abcLine, "G4ABC", "contacts.sqlite.damaged"},
            {"ledger newer", g4abc, true, g4abcLine, "", "newer Morvel"},
            {"database read-only", g4abc, false, ": the file is read-only", "", ""},
            {"database locked", g4abc, false, "is being changed by another program", "", ""},
        };
    for (const auto& [what, entry, saved, line, ledgerCall, ledgerIssue] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        const QString path = dir.filePath(kDb), ledger = dir.filePath(kLedgerFileName);
        const QByteArray before = blankDatabaseBytes() + "tail";
        writeFileBytes(path, before);
        const std::string_view prepare = what;
        if (prepare == "ledger not SQLite") writeFileBytes(ledger, QByteArray(4096, 'x'));
        if (prepare == "ledger newer") writeNewerLedger(ledger);
        if (prepare == "database read-only") QFile::setPermissions(path, QFile::ReadOwner);
        DatabaseLock otherWriter(path);
        Error error;
        ASSERT_TRUE(prepare != "database locked" || otherWriter.acquire(error, 0)) << error;
        const QByteArray ledgerBefore = bytesIfAny(ledger);
        DatabaseDocument document(path, dir.path());
        auto result = std::make_shared<SquareEditResult>();
        const WriteOutcome outcome = document.run(squareEditWork({159, 85, entry}, result), 0);
        ASSERT_EQ(outcome.ok, saved) << outcome.error;
        const QByteArray changelog = bytesIfAny(dir.filePath("changelog.txt"));
        if (!saved) {
            EXPECT_TRUE(outcome.error.message().contains(QString::fromLatin1(line)))
                << outcome.error;
            EXPECT_EQ(outcome.busy, prepare == "database locked");
            EXPECT_EQ(readFileBytes(path), before);
            EXPECT_TRUE(changelog.isEmpty() && !QFile::exists(ledger));
            continue;
        }
        char square[SquareEntry::kSize];
        entry.encode(square);
        EXPECT_EQ(readFileBytes(path),
                  QByteArray(before).replace(158 * 2828 + 85 * 28, 28,
                                             QByteArray(square, sizeof square)));
        // What the owner published is what the file holds.
        EXPECT_EQ(document.contents()->square(159, 85).callsignText(), entry.callsignText());
        EXPECT_EQ(changelog, QByteArray(line));
        EXPECT_TRUE(result->ledgerProblem.contains(QString::fromLatin1(ledgerIssue)))
            << result->ledgerProblem.toStdString();
        EXPECT_EQ(result->ledgerProblem.isEmpty(), !*ledgerIssue);
        const std::vector<StoredContact> contacts = ledgerContacts(dir.path(), kDb);
        if (!*ledgerCall) {
            EXPECT_TRUE(contacts.empty());
            if (!ledgerBefore.isEmpty() && !QString(ledgerIssue).contains("damaged")) {
                EXPECT_EQ(bytesIfAny(ledger), ledgerBefore);
            }
            continue;
        }
        ASSERT_EQ(contacts.size(), 1U);
        const LedgerContact& c = contacts[0].contact;
        EXPECT_EQ(c.call + " " + c.origin.toStdString() + " " + c.band,
                  std::string(ledgerCall) + " editor 2M");
        EXPECT_TRUE(contacts[0].confirmations.empty());  // the editor names no source
    }
}

// Two live sessions (one sharing this program's owner, one with an owner of
// its own, as another program would have) and an editor save on one
// database, all at once: every square is in the file, and every change is
// in the change log exactly once. Each session's first write begins a fresh
// change log, as an import does; both have begun before the rest arrives.
TEST(SquareEdit, TwoLiveSessionsAndAnEditorSaveLoseNothingAndLogEachChangeOnce) {
    QTemporaryDir dir;
    const QString path = makeBlankDatabase(dir.path(), kDb);
    auto shared = std::make_shared<DatabaseDocument>(path, dir.path());
    const auto firstSession = liveSession(shared, dir.path()),
               secondSession = liveSession(path, dir.path());
    live::LiveSession &first = *firstSession, &second = *secondSession;
    Error error;
    ASSERT_TRUE(first.start(error) && second.start(error)) << error;
    const struct {
        live::LiveSession* session;
        const char* prefix;
        int field;  // squares JOf0..JOf9
    } senders[] = {{&first, "DL1", 5}, {&second, "DL2", 6}};
    for (const auto& s : senders)
        logOne(*s.session, QString("%1B").arg(s.prefix), QString("JO%1").arg((s.field + 2) * 10));
    WriteOutcome edited;
    for (int i = 0; i < 10; ++i) {
        for (const auto& s : senders)
            s.session->takeDatagram(qsoLogged(QString("%1A%2").arg(s.prefix).arg(i),
                                              QString("JO%1%2").arg(s.field).arg(i)),
                                    QHostAddress::LocalHost, 2237);
        if (i == 5)
            shared->submit(squareEditWork({159, 85, makeEntry("IO85", "G4ED", "06/12/26", false)},
                                          std::make_shared<SquareEditResult>()),
                           DatabaseLock::kWaitMs, [&](const WriteOutcome& o) { edited = o; });
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    waitFor(
        [&] {
            return first.counts().taken + second.counts().taken == 22 && shared->pending() == 0;
        },
        20000);
    ASSERT_TRUE(first.stop(error) && second.stop(error)) << error;
    EXPECT_TRUE(edited.ok) << edited.error;
    const QByteArray changelog = bytesIfAny(dir.filePath("changelog.txt"));
    for (const auto& s : senders) {
        for (int i = 0; i < 10; ++i) {
            const QString call = QString("%1A%2").arg(s.prefix).arg(i);
            SCOPED_TRACE(call.toStdString());
            EXPECT_EQ(std::string(readSquare(path, "JO", s.field * 10 + i).callsignText()),
                      call.leftJustified(10).toStdString());
            EXPECT_EQ(changelog.count("\n" + call.toLatin1() + " "), 1);
        }
    }
    EXPECT_EQ(std::string(readSquare(path, "IO", 85).callsignText()), "G4ED      ");
    EXPECT_EQ(changelog.count("G4ED "), 1) << changelog.toStdString();
}

// A session that begins while another on the same owner writes goes on in
// that one's change log; once both are over, the next begins a fresh one.
TEST(SquareEdit, ASessionBegunDuringAnotherKeepsTheOtherOnesChangeLogLines) {
    QTemporaryDir dir;
    const QString path = makeBlankDatabase(dir.path(), kDb);
    auto shared = std::make_shared<DatabaseDocument>(path, dir.path());
    const auto session = [&] { return liveSession(shared, dir.path()); };
    Error error;
    auto first = session();
    ASSERT_TRUE(first->start(error)) << error;
    logOne(*first, "DL1AA", "JO50");
    auto second = session();
    ASSERT_TRUE(second->start(error)) << error;
    logOne(*second, "DL2BB", "JO51");
    logOne(*first, "DL1CC", "JO52");
    ASSERT_TRUE(first->stop(error) && second->stop(error)) << error;
    const QByteArray during = bytesIfAny(dir.filePath("changelog.txt"));
    for (const char* call : {"DL1AA ", "DL2BB ", "DL1CC "})
        EXPECT_EQ(during.count(call), 1) << call << "\n" << during.toStdString();

    auto third = session();
    ASSERT_TRUE(third->start(error)) << error;
    logOne(*third, "DL3DD", "JO53");
    ASSERT_TRUE(third->stop(error)) << error;
    const QByteArray after = bytesIfAny(dir.filePath("changelog.txt"));
    EXPECT_EQ(after.count("DL1AA "), 0) << after.toStdString();
    EXPECT_EQ(after.count("DL3DD "), 1) << after.toStdString();
}

}  // namespace
}  // namespace morvel::test
