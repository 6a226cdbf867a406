// SendFile and SendFileBody over a loopback connection: what goes on the wire,
// the byte counter and the status texts of the connection's row.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "config/settings.h"
#include "content/file_body.h"
#include "content/static_file.h"
#include "http/status_table.h"
#include "platform/files.h"
#include "platform/socket.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;

// Keeps every status text written to a table's rows, one per write.
class RecordingView {
 public:
  explicit RecordingView(StatusTable &table) : table_(table) {
    // Each write reports at once, since every change is taken right away.
    table_.SetChangeCallback([this] {
      for (const StatusRow &row : table_.TakeChanges().rows) texts.push_back(row.cells[kColStatus]);
    });
  }
  ~RecordingView() { table_.SetChangeCallback(nullptr); }
  std::vector<std::string> texts;

 private:
  StatusTable &table_;
};

// Reads everything the server side sends until it closes.
class Receiver {
 public:
  explicit Receiver(Socket socket) : socket_(std::move(socket)) {
    socket_.SetReceiveTimeout(10000);
    thread_ = std::thread([this] {
      char buffer[65536];
      for (;;) {
        RecvResult r = socket_.Recv(buffer, sizeof buffer);
        if (r.status != RecvStatus::kOk || r.bytes == 0) break;
        data_.append(buffer, r.bytes);
      }
    });
  }
  ~Receiver() {
    if (thread_.joinable()) thread_.join();
  }
  std::string Take() {
    thread_.join();
    return data_;
  }

 private:
  Socket socket_;
  std::thread thread_;
  std::string data_;
};

class FileDeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.defmime = "application/octet-stream";
    settings_.mimeTypes = {{".txt", "text/plain"}};
    slot_.statusTable = &table_;
    slot_.row = table_.AddRow("127.0.0.1");
    view_.texts.clear();
    slot_.settings = &settings_;
    request_.method = "GET";
  }

  std::string MakeFile(const char *name, std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 26);
    std::ofstream(dir_ / name, std::ios::binary) << content;
    request_.localPath = (dir_ / name).string();
    return content;
  }

  // Connects a client to the slot's socket; the client side is read until
  // the slot's socket is shut down.
  std::unique_ptr<Receiver> Connect() {
    ListenResult listener = ListenTcp(0, 4);
    EXPECT_TRUE(listener.socket.IsValid());
    Socket client = ConnectTcp("127.0.0.1", listener.boundPort, 5000);
    PeerAddress peer;
    slot_.socket = AcceptConnection(listener.socket, peer);
    EXPECT_TRUE(slot_.socket.IsValid());
    return std::make_unique<Receiver>(std::move(client));
  }

  // Everything the client received, split into header and body.
  std::pair<std::string, std::string> Finish(Receiver &receiver) {
    slot_.socket.ShutdownBoth();
    std::string wire = receiver.Take();
    std::size_t end = wire.find("\r\n\r\n");
    if (end == std::string::npos) return {wire, ""};
    return {wire.substr(0, end + 2), wire.substr(end + 4)};
  }

  int Send(int code = 200, bool conditional = true, bool useRange = true) {
    return SendFile(slot_, request_,
                    {.code = code, .conditional = conditional, .useRange = useRange}, bytesSent_);
  }

  TempDir temp_;
  fs::path dir_{temp_.Path()};
  StatusTable table_;
  RecordingView view_{table_};
  ServerSettings settings_;
  ConnectionSlot slot_;
  RequestInfo request_;
  std::uint64_t bytesSent_ = 0;
};

TEST_F(FileDeliveryTest, WholeFileGoesOutInPiecesWithProgressAndPauses) {
  settings_.sendwait = 40;
  const std::string content = MakeFile("two_pieces.bin", 131072);
  auto receiver = Connect();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Send(), 200);
  auto elapsed = std::chrono::steady_clock::now() - start;
  auto [header, body] = Finish(*receiver);
  EXPECT_EQ(body, content);
  EXPECT_EQ(bytesSent_, 131072u);
  EXPECT_NE(header.find("Content-Length: 131072\r\n"), std::string::npos);
  EXPECT_NE(header.find("Content-Type: application/octet-stream\r\n"), std::string::npos);
  EXPECT_NE(header.find("Last-Modified: " + request_.lastModified + "\r\n"), std::string::npos);
  const std::string progress = RUZ_CP932("ファイル送信中... ");
  EXPECT_EQ(view_.texts,
            (std::vector<std::string>{progress + "65536Bytes", progress + "131072Bytes",
                                      RUZ_CP932("正常終了")}));
  // Two full pieces, each followed by the configured pause.
  EXPECT_GE(elapsed, std::chrono::milliseconds(80));
}

TEST_F(FileDeliveryTest, MatchingIfModifiedSinceSendsNothingUnlessARangeIsAsked) {
  MakeFile("page.txt", 1000);
  request_.ifModifiedSince =
      FormatHttpDate(UtcFromEpoch(GetFileInfo(request_.localPath).mtime));
  auto receiver = Connect();
  EXPECT_EQ(Send(), 304);
  EXPECT_EQ(request_.lastModified, request_.ifModifiedSince);
  EXPECT_EQ(view_.texts.back(), RUZ_CP932("ドキュメント未更新"));
  EXPECT_EQ(bytesSent_, 0u);
  EXPECT_EQ(Finish(*receiver).first, "");

  request_.range = "bytes=10-19";
  receiver = Connect();
  EXPECT_EQ(Send(), 206);
  EXPECT_EQ(Finish(*receiver).second, "klmnopqrst");
}

TEST_F(FileDeliveryTest, RangeSendsThePartWithoutProgressTexts) {
  const std::string content = MakeFile("part.txt", 200000);
  request_.range = "bytes=70000-";
  auto receiver = Connect();
  EXPECT_EQ(Send(), 206);
  auto [header, body] = Finish(*receiver);
  EXPECT_EQ(header.substr(0, header.find("\r\n")), "HTTP/1.1 206 Partial Content");
  EXPECT_NE(header.find("Content-Range: bytes 70000-199999/200000\r\n"), std::string::npos);
  EXPECT_NE(header.find("Content-Type: text/plain\r\n"), std::string::npos);
  EXPECT_EQ(body, content.substr(70000));
  EXPECT_EQ(bytesSent_, 130000u);
  EXPECT_EQ(view_.texts, std::vector<std::string>{RUZ_CP932("ファイルの一部を送信しました")});
}

TEST_F(FileDeliveryTest, HeadAndErrorPageCodes) {
  MakeFile("head.txt", 1000);
  request_.method = "HEAD";
  auto receiver = Connect();
  EXPECT_EQ(Send(), 200);
  auto [header, body] = Finish(*receiver);
  EXPECT_NE(header.find("Content-Length: 1000\r\n"), std::string::npos);
  EXPECT_EQ(body, "");
  EXPECT_EQ(bytesSent_, 0u);
  EXPECT_EQ(view_.texts.back(), RUZ_CP932("正常終了"));

  // An error page keeps its code, ignores the range and has no Last-Modified.
  request_.method = "GET";
  request_.range = "bytes=0-9";
  view_.texts.clear();
  receiver = Connect();
  EXPECT_EQ(Send(404, false, false), 404);
  std::tie(header, body) = Finish(*receiver);
  EXPECT_EQ(header.substr(0, header.find("\r\n")), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(header.find("Last-Modified"), std::string::npos);
  EXPECT_EQ(body.size(), 1000u);
  EXPECT_TRUE(view_.texts.empty());
}

TEST_F(FileDeliveryTest, MissingFileOrDirectoryIsAnOpenErrorWithNothingSent) {
  auto receiver = Connect();
  request_.localPath = (dir_ / "missing.txt").string();
  EXPECT_EQ(Send(), 500);
  request_.localPath = dir_.string();
  EXPECT_EQ(Send(), 500);
  EXPECT_EQ(Finish(*receiver).first, "");
  EXPECT_EQ(view_.texts, std::vector<std::string>(2, RUZ_CP932("ファイルオープンエラー")));
}

TEST_F(FileDeliveryTest, PeerThatGoesAwayEndsTheBodyWith500) {
  request_.localPath = (dir_ / "large.bin").string();
  std::ofstream(request_.localPath).close();
  fs::resize_file(request_.localPath, 64u << 20);
  {
    ListenResult listener = ListenTcp(0, 4);
    Socket client = ConnectTcp("127.0.0.1", listener.boundPort, 5000);
    PeerAddress peer;
    slot_.socket = AcceptConnection(listener.socket, peer);
  }  // the client closes without reading
  EXPECT_EQ(Send(), 500);
  EXPECT_LT(bytesSent_, 64u << 20);
  EXPECT_EQ(view_.texts.back(), RUZ_CP932("相手側で切断"));
}

TEST_F(FileDeliveryTest, BodyOfAWholeFileStopsAtItsEnd) {
  // How the include directive copies a file: no range, no progress texts.
  const std::string content = MakeFile("include.txt", 70000);
  auto receiver = Connect();
  ReadFile file(request_.localPath);
  bytesSent_ = 5;
  EXPECT_TRUE(SendFileBody(slot_, file, 0, UINT64_MAX, bytesSent_, false));
  EXPECT_EQ(bytesSent_, 70005u);
  EXPECT_EQ(Finish(*receiver).first, content);
  EXPECT_TRUE(view_.texts.empty());
}

}  // namespace
}  // namespace ruz
