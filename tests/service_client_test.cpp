#include "download/service_client.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/test_https_server.h"

namespace morvel {
namespace {

using test::HttpAnswer;
using test::HttpRequest;
using test::TestHttpsServer;

TEST(ServiceClient, FetchesOnlyWhatATrustedHttpsServerSendsWhole) {
    const QByteArray report = "<eoh><CALL:4>W1AW<eor>";
    TestHttpsServer server([&](const HttpRequest& r) {
        HttpAnswer a(r.target.startsWith("/report") ? report : QByteArray());
        if (r.target.startsWith("/to-http"))
            a.status = 302, a.location = "http://127.0.0.1:1/report";
        if (r.target.startsWith("/to-https")) a.status = 301, a.location = "/report";
        if (r.target.startsWith("/missing")) a.status = 404;
        // 2.5 MiB against a 2 MiB limit
        if (r.target.startsWith("/huge")) a.body = QByteArray(64 * 1024, 'x'), a.repeatBody = 40;
        if (r.target.startsWith("/quiet")) a.silentAfterHeaders = true, a.claimedLength = 10;
        return a;
    });
    // The path, whether the server is trusted, and the message after the address shown.
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"/report?login=K1ABC&password=s3cret", true, ""},
        {"/to-https", true, ""},
        {"/report?login=K1ABC&password=s3cret", false,
         "the server's certificate is not trusted; nothing was sent"},
        {"/to-http?password=s3cret", true,
         "the server redirected to an address that is not https; refused"},
        {"/missing?password=s3cret", true, "the server answered HTTP 404"},
        {"/huge", true, "the reply passed 2 MiB; stopped"},
        {"/quiet?password=s3cret", true, "no answer for 1 second"},
        {"http://127.0.0.1:1/report?password=s3cret", true, "only https addresses are used"},
    };
    for (const auto& [path, trusted, error] : cases) {
        ServiceClient client(trusted ? TestHttpsServer::authority() : QList<QSslCertificate>{},
                             {2 * 1024 * 1024, 1000});
        const QUrl url = path[0] == '/' ? server.url(path) : QUrl(path);
        client.get(url, {QStringLiteral("password")});
        const FetchResult r = client.wait();
        EXPECT_EQ(r.ok, !*error) << path << ": " << r.error.toStdString();
        if (!*error) {
            EXPECT_EQ(r.body, report.toStdString()) << path;
        } else {
            EXPECT_TRUE(r.error.endsWith(QLatin1String(error))) << r.error.toStdString();
            EXPECT_TRUE(r.error.startsWith(url.scheme() + "://127.0.0.1:"))
                << r.error.toStdString();
        }
        EXPECT_FALSE(r.error.contains(QLatin1String("s3cret"))) << r.error.toStdString();
    }
}

TEST(ServiceClient, PostsTheFormAndHidesNothingItNeedsNot) {
    TestHttpsServer server(
        [](const HttpRequest& r) { return HttpAnswer("RESULT=OK&COUNT=0&ECHO=" + r.body); });
    ServiceClient client(TestHttpsServer::authority());
    client.post(server.url(QStringLiteral("/api")), "KEY=abcd&ACTION=FETCH");
    const FetchResult r = client.wait();
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.body, "RESULT=OK&COUNT=0&ECHO=KEY=abcd&ACTION=FETCH");
    EXPECT_EQ(server.requests().value(0).method, "POST");
    // eQSL spells it with a capital.
    for (const auto& [url, shown] : {std::pair{"https://u:pw@lotw.example/r?login=A&password=p%26q",
                                               "https://lotw.example/r?login=A&password=***"},
                                     {"https://eqsl.example/in.cfm?UserName=A&Password=p",
                                      "https://eqsl.example/in.cfm?UserName=A&Password=***"}})
        EXPECT_EQ(ServiceClient::shownUrl(QUrl(url), {QStringLiteral("password")}), shown);
}

}  // namespace
}  // namespace morvel
