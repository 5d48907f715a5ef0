#include "download/secret_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <sstream>

#include "app/cli.h"
#include "support/test_https_server.h"
#include "test_support.h"

namespace morvel {
namespace {

// tests/secret_service_test.sh runs these under a session bus of their own
// with GNOME's keyring as the Secret Service; run otherwise, no store answers.
bool storeAtHand() {
    return qEnvironmentVariableIsSet("MORVEL_TEST_SECRET_SERVICE");
}

TEST(SecretStore, KeepsAPasswordWhereAStoreAnswersAndSaysWhyWhereNone) {
    const SecretStore store;
    const QString entry = SecretStore::entryName(QStringLiteral("lotw"), QStringLiteral("/tmp/x"),
                                                 QStringLiteral("K1ABC"));
    if (!storeAtHand()) {
        const SecretStore::Answer a = store.read(entry);
        EXPECT_TRUE(!a.ok && !a.error.isEmpty());
        EXPECT_FALSE(store.write(entry, QStringLiteral("s3cret")).ok);
        return;
    }
    ASSERT_TRUE(store.write(entry, QStringLiteral("s3cret")).ok);
    const SecretStore::Answer a = store.read(entry);
    ASSERT_TRUE(a.ok) << a.error.toStdString();
    EXPECT_EQ(a.secret, QStringLiteral("s3cret"));
    ASSERT_TRUE(store.remove(entry).ok);
    const SecretStore::Answer gone = store.read(entry);
    EXPECT_TRUE(!gone.ok && gone.missing);
}

TEST(SecretStore, TheCommandLineRemembersThePasswordInTheStoreNeverInAFile) {
    if (!storeAtHand()) GTEST_SKIP() << "no Secret Service here (tests/secret_service_test.sh)";
    QTemporaryDir dir;
    test::makeBlankDatabase(dir.path(), QStringLiteral("6M FN31PR HOME.QRA"));
    test::TestHttpsServer server([](const test::HttpRequest&) {
        return test::HttpAnswer("<APP_LoTW_NUMREC:1>0<eoh><APP_LoTW_EOF>");
    });
    const QStringList base = server.syncArgs(dir.path());
    for (const QStringList& extra :
         {QStringList{"--password-stdin", "--remember"}, QStringList{}}) {
        std::ostringstream out, err;
        std::istringstream in("s3cret\n");
        EXPECT_EQ(runCli(base + extra, {out, err, in}, QDir(dir.path())), 0) << err.str();
    }
    // The second run took it from the store: the server saw it.
    EXPECT_TRUE(server.requests().value(1).target.contains("password=s3cret"));
    QDirIterator files(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString f = files.next();
        EXPECT_FALSE(test::readFileBytes(f).contains("s3cret")) << f.toStdString();
    }
    SecretStore().remove(
        SecretStore::entryName(QStringLiteral("lotw"), dir.path(), QStringLiteral("K1ABC")));
}

}  // namespace
}  // namespace morvel
