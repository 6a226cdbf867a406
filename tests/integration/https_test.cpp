// HTTPS through the real server: the certificate it makes, curl and Python's
// ssl trusting it, old protocol versions, plain HTTP on the HTTPS port, CGI,
// and handshakes that stall or break off.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include "integration/content_support.h"
#include "integration/harness.h"

namespace ruz::test {
namespace {

// GET over TLS trusting only the given certificate: "status body", or
// "refused" and the error's kind. With a fourth argument it offers nothing
// newer than TLS 1.1 (and lets the client's library offer that at all).
constexpr const char *kTlsGetScript =
    "import http.client, ssl, sys\n"
    "port, cafile, path = int(sys.argv[1]), sys.argv[2], sys.argv[3]\n"
    "ctx = ssl.create_default_context(cafile=cafile)\n"
    "if len(sys.argv) > 4:\n"
    "    ctx.set_ciphers('DEFAULT:@SECLEVEL=0')\n"
    "    ctx.minimum_version = ssl.TLSVersion.TLSv1\n"
    "    ctx.maximum_version = ssl.TLSVersion.TLSv1_1\n"
    "try:\n"
    "    c = http.client.HTTPSConnection('localhost', port, context=ctx, timeout=10)\n"
    "    c.request('GET', path)\n"
    "    r = c.getresponse()\n"
    "    sys.stdout.buffer.write(b'%d ' % r.status + r.read())\n"
    "except (ssl.SSLError, OSError) as e:\n"
    "    print('refused', type(e).__name__)\n";

// Two requests on one kept connection, then a second connection that resumes
// the first one's session: "status body" twice, then "same" and "resumed".
constexpr const char *kKeptTlsScript =
    "import http.client, socket, ssl, sys\n"
    "port, cafile = int(sys.argv[1]), sys.argv[2]\n"
    "ctx = ssl.create_default_context(cafile=cafile)\n"
    "c = http.client.HTTPSConnection('localhost', port, context=ctx, timeout=10)\n"
    "socks = []\n"
    "for n in range(2):\n"
    "    c.request('GET', '/file.txt')\n"
    "    r = c.getresponse()\n"
    "    print(r.status, r.read().decode())\n"
    "    socks.append(c.sock)\n"
    "print('same' if socks[0] is socks[1] else 'new')\n"
    "again = ctx.wrap_socket(socket.create_connection(('localhost', port)),\n"
    "                        server_hostname='localhost', session=c.sock.session)\n"
    "print('resumed' if again.session_reused else 'full handshake')\n";

// Prints what a program learns about the connection's scheme and port.
constexpr const char *kSchemeScript =
    "import os\n"
    "print('Content-Type: text/plain')\n"
    "print()\n"
    "print(os.environ.get('HTTPS', '-'), os.environ['SERVER_PORT'])\n";

// The first bytes of a client hello: a handshake record that announces more
// than follows.
constexpr std::string_view kHalfClientHello("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11);

class HttpsTest : public ContentServerTest {
 protected:
  HttpsTest() : tlsPort_(FreePort()) {
    SetKey("tlsport", std::to_string(tlsPort_));
    WriteFile("tls_get.py", kTlsGetScript);
  }

  std::string Cert() const { return HomePath("ruz-cert.pem"); }
  std::string TlsUrl(const std::string &path) const {
    return "https://localhost:" + std::to_string(tlsPort_) + path;
  }
  std::string PythonGet(const std::string &path, const std::string &extra = "") {
    return RunCommand("/usr/bin/python3 -W ignore " + HomePath("tls_get.py") + " " +
                      std::to_string(tlsPort_) + " " + Cert() + " " + path + " " + extra);
  }
  // The status cells of the printed rows, waiting for at least n rows.
  std::vector<std::string> Statuses(std::size_t n) {
    std::vector<std::string> statuses;
    for (const auto &row : Rows(n)) statuses.push_back(row.size() > 2 ? row[2] : "");
    return statuses;
  }

  std::uint16_t tlsPort_;
};

TEST_F(HttpsTest, MakesACertificateThatCurlAndPythonTrustAndServesThePipelineThroughIt) {
  const std::string body(100000, 'x');
  WriteFile("www/file.txt", body);
  SetKey("running", "1");
  AddSections("[cgi0]\nextension=.py\nfileheader=\ncmdline=/usr/bin/python3 %filepath%\n");
  WriteFile("www/scheme.py", kSchemeScript);
  StartServer();
  // The HTTPS lines follow the port line; wait for the last of them.
  EXPECT_TRUE(Server().WaitForStderr("証明書の SHA-256 フィンガープリント: "));
  const std::string err = Server().Stderr();
  EXPECT_NE(err.find("HTTPS ポート: " + std::to_string(tlsPort_)), std::string::npos) << err;
  EXPECT_NE(err.find("自己署名証明書を作成しました: " + Cert()), std::string::npos) << err;
  EXPECT_NE(err.find("証明書の SHA-256 フィンガープリント: "), std::string::npos) << err;
  struct stat key{};
  ASSERT_EQ(::stat(HomePath("ruz-key.pem").c_str(), &key), 0);
  EXPECT_EQ(key.st_mode & 0777, 0600u);

  EXPECT_EQ(RunCommand("curl -s --cacert " + Cert() + " " + TlsUrl("/file.txt")), body);
  EXPECT_EQ(PythonGet("/file.txt"), "200 " + body);
  EXPECT_EQ(RunCommand("curl -s --cacert " + Cert() + " " + TlsUrl("/scheme.py")),
            "on " + std::to_string(tlsPort_) + "\n");
  EXPECT_EQ(RunCommand("curl -s " + Url(Port(), "/scheme.py")).rfind("- ", 0), 0u);
  // The redirect of a directory keeps the client on its scheme and port.
  MakeDir("www/dir");
  EXPECT_EQ(RunCommand("curl -s -o /dev/null -w '%{http_code} %{redirect_url}' --cacert " + Cert() +
                       " " + TlsUrl("/dir")),
            "302 " + TlsUrl("/dir/"));

  // Plain HTTP on the HTTPS port: a short answer in plain text, logged as 400.
  const HttpResponse plain = Exchange(tlsPort_, GetRequest("/file.txt"));
  EXPECT_EQ(plain.status, 400);
  EXPECT_EQ(plain.body, "This port speaks HTTPS.\r\n");
  // Versions before TLS 1.2 are refused by the server.
  EXPECT_EQ(RunCommand("curl -s -o /dev/null -w '%{http_code}' --tls-max 1.1 --cacert " + Cert() +
                       " " + TlsUrl("/file.txt")),
            "000");
  EXPECT_EQ(PythonGet("/file.txt", "old").rfind("refused", 0), 0u);

  const std::vector<std::string> statuses = Statuses(8);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "HTTPS のポートに平文のリクエスト"),
            statuses.end());
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "TLS ハンドシェイク失敗"), statuses.end());
  EXPECT_NE(LogWithLines(8).find("127.0.0.1 - - ["), std::string::npos);
}

TEST_F(HttpsTest, HandshakesThatStallBreakOffOrSpeakGarbageGiveTheirSlotBack) {
  WriteFile("www/file.txt", "ok");
  SetKey("maxconnect", "1");
  SetKey("connecttimeout", "1000");
  StartServer();

  // Garbage, half of it dressed as a handshake record, on the only slot.
  std::mt19937 random(16);
  for (int i = 0; i < 20; ++i) {
    std::string garbage(1 + random() % 600, '\0');
    for (char &c : garbage) c = static_cast<char>(random());
    if (i % 2 == 0) garbage[0] = '\x16';
    Client client;
    ASSERT_TRUE(client.Connect(tlsPort_));
    client.Send(garbage);
    client.Close();
  }
  EXPECT_EQ(RunCommand("curl -s --cacert " + Cert() + " " + TlsUrl("/file.txt")), "ok");

  Client aborted;
  ASSERT_TRUE(aborted.Connect(tlsPort_));
  ASSERT_TRUE(aborted.Send(kHalfClientHello));
  aborted.Close();
  EXPECT_EQ(RunCommand("curl -s --cacert " + Cert() + " " + TlsUrl("/file.txt")), "ok");

  Client stalled;
  ASSERT_TRUE(stalled.Connect(tlsPort_));
  ASSERT_TRUE(stalled.Send(kHalfClientHello));
  EXPECT_TRUE(stalled.ClosedWithoutAnswer(10000));  // after connecttimeout
  EXPECT_EQ(RunCommand("curl -s --cacert " + Cert() + " " + TlsUrl("/file.txt")), "ok");

  const std::vector<std::string> statuses = Statuses(24);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "相手側で切断"), statuses.end());
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "接続タイムアウト"), statuses.end());
}

TEST_F(HttpsTest, KeptConnectionsCarrySeveralRequestsAndSessionsAreResumed) {
  WriteFile("www/file.txt", "kept");
  WriteFile("kept_tls.py", kKeptTlsScript);
  SetKey("keepalive", "5");
  StartServer();
  ASSERT_TRUE(Server().WaitForStderr("SHA-256"));
  EXPECT_EQ(RunCommand("/usr/bin/python3 -W ignore " + HomePath("kept_tls.py") + " " +
                       std::to_string(tlsPort_) + " " + Cert()),
            "200 kept\n200 kept\nsame\nresumed\n");
}

TEST_F(HttpsTest, AnUnusableCertificateIsAWarningAndPlainHttpStillRuns) {
  WriteFile("www/file.txt", "ok");
  WriteFile("ruz-cert.pem", "not a certificate");
  WriteFile("ruz-key.pem", "not a key");
  StartServer();
  EXPECT_TRUE(Server().WaitForStderr("HTTPS を開始できません"));
  EXPECT_NE(Server().Stderr().find(Cert()), std::string::npos) << Server().Stderr();
  EXPECT_EQ(Get("/file.txt").body, "ok");
  EXPECT_FALSE(Client().Connect(tlsPort_));
}

}  // namespace
}  // namespace ruz::test
