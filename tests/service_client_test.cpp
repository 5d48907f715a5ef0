#include "download/service_client.h"

#include <gtest/gtest.h>

#include "support/test_https_server.h"

namespace morvel {
namespace {

using test::HttpAnswer;
using test::HttpRequest;
using test::TestHttpsServer;

TEST(ServiceClient, FetchesOnlyWhatATrustedHttpsServerSendsWhole) {
    const QByteArray report = "<eoh><CALL:4>W1AW<eor>";
    TestHttpsServer server([&](const HttpRequest& r) {
        HttpAnswer a;
        if (r.target.startsWith("/report")) a.body = report;
        if (r.target.startsWith("/to-http")) {
            a.status = 302;
            a.location = "http://127.0.0.1:1/report";
        }
        if (r.target.startsWith("/to-https")) {
            a.status = 301;
            a.location = "/report";
        }
        if (r.target.startsWith("/missing")) a.status = 404;
        if (r.target.startsWith("/huge")) {
            a.body = QByteArray(64 * 1024, 'x');
            a.repeatBody = 40;  // 2.5 MiB against a 2 MiB limit
        }
        if (r.target.startsWith("/quiet")) a.silentAfterHeaders = true, a.claimedLength = 10;
        return a;
    });
    const struct {
        const char* path;
        bool trusted;
        bool ok;
        const char* error;  // the message after the address shown
    } cases[] = {
        {"/report?login=K1ABC&password=s3cret", true, true, ""},
        {"/to-https", true, true, ""},
        {"/report?login=K1ABC&password=s3cret", false, false,
         "the server's certificate is not trusted; nothing was sent"},
        {"/to-http?password=s3cret", true, false,
         "the server redirected to an address that is not https; refused"},
        {"/missing?password=s3cret", true, false, "the server answered HTTP 404"},
        {"/huge", true, false, "the reply passed 2 MiB; stopped"},
        {"/quiet?password=s3cret", true, false, "no answer for 1 second"},
        {"http://127.0.0.1:1/report?password=s3cret", true, false, "only https addresses are used"},
    };
    for (const auto& c : cases) {
        ServiceClient client(c.trusted ? TestHttpsServer::authority() : QList<QSslCertificate>{},
                             {2 * 1024 * 1024, 1000});
        const QUrl url = c.path[0] == '/' ? server.url(c.path) : QUrl(c.path);
        client.get(url, {QStringLiteral("password")});
        const FetchResult r = client.wait();
        EXPECT_EQ(r.ok, c.ok) << c.path << ": " << r.error.toStdString();
        if (c.ok) {
            EXPECT_EQ(r.body, report.toStdString()) << c.path;
        } else {
            EXPECT_TRUE(r.error.endsWith(QLatin1String(c.error))) << r.error.toStdString();
            EXPECT_TRUE(r.error.startsWith(url.scheme() + "://127.0.0.1:"))
                << r.error.toStdString();
        }
        EXPECT_FALSE(r.error.contains(QLatin1String("s3cret"))) << r.error.toStdString();
    }
}

TEST(ServiceClient, PostsTheFormAndHidesNothingItNeedsNot) {
    TestHttpsServer server([](const HttpRequest& r) {
        HttpAnswer a;
        a.body = "RESULT=OK&COUNT=0&ECHO=" + r.body;
        return a;
    });
    ServiceClient client(TestHttpsServer::authority());
    client.post(server.url(QStringLiteral("/api")), "KEY=abcd&ACTION=FETCH");
    const FetchResult r = client.wait();
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.body, "RESULT=OK&COUNT=0&ECHO=KEY=abcd&ACTION=FETCH");
    EXPECT_EQ(server.requests().value(0).method, "POST");
    EXPECT_EQ(ServiceClient::shownUrl(
                  QUrl(QStringLiteral("https://u:pw@lotw.example/r?login=A&password=p%26q")),
                  {QStringLiteral("password")}),
              QStringLiteral("https://lotw.example/r?login=A&password=***"));
    // eQSL spells it with a capital.
    EXPECT_EQ(ServiceClient::shownUrl(
                  QUrl(QStringLiteral("https://eqsl.example/in.cfm?UserName=A&Password=p")),
                  {QStringLiteral("password")}),
              QStringLiteral("https://eqsl.example/in.cfm?UserName=A&Password=***"));
}

}  // namespace
}  // namespace morvel
