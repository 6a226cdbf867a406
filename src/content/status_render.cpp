// The status page as HTML (CP932, refreshing itself) and as JSON (UTF-8).
#include <algorithm>
#include <cstdio>
#include <numeric>

#include "common/html_escape.h"
#include "content/status_page.h"
#include "platform/byte_size.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

constexpr int kRefreshSeconds = 5;
constexpr int kRecentSeconds = 600;  // "the last 10 minutes"

const char *const kClassNames[kStatusClasses] = {"2xx", "3xx", "4xx", "5xx"};

std::string TimeText(const DateTime &t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

template <typename T>
std::uint64_t SumLast(const std::vector<T> &series, int seconds) {
  const auto first = series.end() - std::min<std::ptrdiff_t>(seconds, std::ssize(series));
  return std::accumulate(first, series.end(), std::uint64_t{0});
}

std::string Cell(std::string_view cp932, const char *tag = "td") {
  return std::string("<") + tag + ">" + EscapeHtml(cp932) + "</" + tag + ">";
}

std::string HtmlState(const StatusFacts &f) {
  std::string html = RUZ_CP932("<h2>状態</h2>\r\n<table>\r\n");
  html += "<tr>" + Cell(RUZ_CP932("起動"), "th") + Cell(TimeText(f.startedAt)) + "</tr>\r\n";
  html += "<tr>" + Cell(RUZ_CP932("ポート"), "th") + Cell(std::to_string(f.port)) + "</tr>\r\n";
  if (f.tlsPort != 0) {
    html += "<tr>" + Cell(RUZ_CP932("HTTPS ポート"), "th") + Cell(std::to_string(f.tlsPort)) +
            "</tr>\r\n";
  }
  html += "<tr>" + Cell(RUZ_CP932("接続数"), "th") +
          Cell(std::to_string(f.connectionsInUse) + " / " + std::to_string(f.maxConnections)) +
          "</tr>\r\n</table>\r\n";
  return html;
}

std::string HtmlTraffic(const TrafficSnapshot &t) {
  std::string html = RUZ_CP932("<h2>トラフィック</h2>\r\n<table>\r\n<tr><th></th>");
  html += RUZ_CP932("<th>リクエスト</th><th>送信量</th></tr>\r\n");
  const std::pair<std::string, int> spans[] = {{RUZ_CP932("直近10分"), kRecentSeconds},
                                                {RUZ_CP932("直近1時間"), kTrafficSeconds}};
  for (const auto &[name, seconds] : spans) {
    html += "<tr>" + Cell(name, "th") + Cell(std::to_string(SumLast(t.requestsPerSecond, seconds))) +
            Cell(FormatByteSize(SumLast(t.bytesPerSecond, seconds))) + "</tr>\r\n";
  }
  html += "</table>\r\n<p>";
  for (int c = 0; c < kStatusClasses; ++c) {
    html += std::string(kClassNames[c]) + ": " + std::to_string(t.classCounts[c]) + " &nbsp; ";
  }
  return html + "</p>\r\n";
}

std::string HtmlRanking(const std::string &title, const std::vector<RankedText> &ranked) {
  std::string html = "<h3>" + title + "</h3>\r\n<table>\r\n";
  for (const RankedText &item : ranked) {
    html += "<tr>" + Cell(item.text) + Cell(std::to_string(item.count)) + "</tr>\r\n";
  }
  return html + "</table>\r\n";
}

std::string HtmlRows(const std::vector<StatusRow> &rows) {
  std::string html = RUZ_CP932("<h2>通信の一覧</h2>\r\n<table>\r\n<tr><th>ホスト</th><th>開始日時</th>"
                               "<th>サーバーステータス</th><th>メソッド</th><th>パス</th>"
                               "<th>レスポンス</th></tr>\r\n");
  html.reserve(html.size() + rows.size() * 256);
  for (const StatusRow &row : rows) {
    html += "<tr>";
    for (const std::string &cell : row.cells) {
      html += "<td>";
      html += EscapeHtml(cell);
      html += "</td>";
    }
    html += "</tr>\r\n";
  }
  return html + "</table>\r\n";
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// A JSON string (UTF-8) of a CP932 text; most cells are ASCII and skip the
// conversion.
std::string JsonString(std::string_view cp932) {
  const std::string converted = IsAscii(cp932) ? std::string() : Cp932ToUtf8(cp932);
  const std::string_view utf8 = IsAscii(cp932) ? cp932 : std::string_view(converted);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

template <typename T>
std::string JsonNumbers(const std::vector<T> &series, int seconds) {
  std::string out = "[";
  const std::size_t first = series.size() - std::min<std::size_t>(seconds, series.size());
  for (std::size_t i = first; i < series.size(); ++i) {
    if (i != first) out += ',';
    out += std::to_string(series[i]);
  }
  return out + "]";
}

std::string JsonRanking(const std::vector<RankedText> &ranked) {
  std::string out = "[";
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    if (i != 0) out += ',';
    out += "{\"text\":" + JsonString(ranked[i].text) +
           ",\"count\":" + std::to_string(ranked[i].count) + "}";
  }
  return out + "]";
}

std::string JsonTraffic(const TrafficSnapshot &t) {
  std::string out = "{\"requestsLast10Minutes\":" +
                    std::to_string(SumLast(t.requestsPerSecond, kRecentSeconds)) +
                    ",\"requestsLastHour\":" + std::to_string(SumLast(t.requestsPerSecond, kTrafficSeconds)) +
                    ",\"bytesLast10Minutes\":" + std::to_string(SumLast(t.bytesPerSecond, kRecentSeconds)) +
                    ",\"bytesLastHour\":" + std::to_string(SumLast(t.bytesPerSecond, kTrafficSeconds)) +
                    ",\"totalRequests\":" + std::to_string(t.totalRequests) +
                    ",\"totalBytes\":" + std::to_string(t.totalBytes) + ",\"statusClasses\":{";
  for (int c = 0; c < kStatusClasses; ++c) {
    if (c != 0) out += ',';
    out += std::string("\"") + kClassNames[c] + "\":" + std::to_string(t.classCounts[c]);
  }
  out += "},\"requestsPerSecond\":" + JsonNumbers(t.requestsPerSecond, kRecentSeconds);
  out += ",\"bytesPerSecond\":" + JsonNumbers(t.bytesPerSecond, kRecentSeconds);
  out += ",\"topPaths\":" + JsonRanking(t.topPaths);
  return out + ",\"topClients\":" + JsonRanking(t.topClients) + "}";
}

std::string JsonRows(const std::vector<StatusRow> &rows) {
  static const char *const kKeys[kStatusColumns] = {"host",   "start", "status",
                                                    "method", "path",  "response"};
  std::string out = "[";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out += i != 0 ? ",{" : "{";
    for (int c = 0; c < kStatusColumns; ++c) {
      out += std::string("\"") + kKeys[c] + "\":" + JsonString(rows[i].cells[c]) + ",";
    }
    out += std::string("\"finished\":") + (rows[i].finished ? "true" : "false") + "}";
  }
  return out + "]";
}

}  // namespace

std::string BuildStatusHtml(const StatusFacts &facts) {
  std::string html = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"Shift_JIS\">\r\n"
                     "<meta http-equiv=\"refresh\" content=\"" + std::to_string(kRefreshSeconds) +
                     "\">\r\n" + RUZ_CP932("<title>サーバーの状態</title>\r\n");
  html += "<style>body{font-family:sans-serif;margin:1em}table{border-collapse:collapse}"
          "td,th{border:1px solid #bbb;padding:2px 8px;text-align:left}</style>\r\n"
          "</head>\r\n<body>\r\n";
  html += RUZ_CP932("<h1>サーバーの状態</h1>\r\n") + HtmlState(facts) + HtmlTraffic(facts.traffic);
  html += HtmlRanking(RUZ_CP932("よく要求されたパス（直近1時間）"), facts.traffic.topPaths);
  html += HtmlRanking(RUZ_CP932("よく接続したクライアント（直近1時間）"), facts.traffic.topClients);
  return html + HtmlRows(facts.rows) + "</body>\r\n</html>\r\n";
}

std::string BuildStatusJson(const StatusFacts &f) {
  return "{\"startedAt\":" + JsonString(TimeText(f.startedAt)) +
         ",\"port\":" + std::to_string(f.port) + ",\"tlsPort\":" + std::to_string(f.tlsPort) +
         ",\"connections\":" + std::to_string(f.connectionsInUse) +
         ",\"maxConnections\":" + std::to_string(f.maxConnections) +
         ",\"traffic\":" + JsonTraffic(f.traffic) + ",\"rows\":" + JsonRows(f.rows) + "}\n";
}

}  // namespace ruz
