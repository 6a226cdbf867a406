// SSI: the attribute reader and the directive loop over a whole document, with
// a recording client side and a stand-in for programs (nothing is run).
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "fuzz_check.h"
#include "platform/files.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/server_shared.h"
#include "ssi/attributes.h"
#include "ssi/document.h"

namespace {

class RecordingOutput : public ruz::SsiOutput {
 public:
  std::string text;
  bool Send(std::string_view bytes) override {
    text += bytes;
    return true;
  }
  bool SendFile(ruz::ReadFile &file, std::uint64_t size) override {
    std::string content(size, '\0');
    const long long got = file.Read(content.data(), content.size());
    if (got < 0) return false;
    text.append(content.data(), static_cast<std::size_t>(got));
    return true;
  }
  ruz::RunResult Run(const ruz::SsiProgram &, const ruz::EnvironmentBlock &) override {
    return ruz::kRunOk;
  }
};

// A document root with a few files the directives can name.
struct SsiFixture {
  std::string root;
  ruz::ServerShared shared;  // the start's record: its settings and private files
  ruz::ServerSettings &settings = shared.settings;
  ruz::ConnectionSlot slot;
  ruz::RequestInfo request;

  SsiFixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ruz-fuzz-ssi-XXXXXX").string();
    root = mkdtemp(pattern.data());
    std::filesystem::create_directories(root + "/sub");
    std::ofstream(root + "/a.txt") << "included";
    std::ofstream(root + "/sub/b.shtml") << "<!--#echo var=\"DATE_GMT\" -->";
    settings.root = root;
    settings.ssi = 1;
    shared.privateFiles.Watch(settings);
    slot.shared = &shared;
    slot.settings = &settings;
    request.path = "/sub/page.shtml";
    request.query = "q=%41";
  }
  ~SsiFixture() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

// Names that could leave the scratch root, where a file may be a device or a
// pipe that blocks on open.
bool CouldLeaveRoot(std::string_view text) {
  return text.find("..") != text.npos || text.find("file=\"/") != text.npos;
}

void CheckAttribute(std::string_view attributes, std::string_view name) {
  std::string value = "stale";
  if (ruz::GetSsiAttribute(attributes, value, name)) {
    FUZZ_CHECK(value.find('"') == std::string::npos);
    FUZZ_CHECK(attributes.find(value) != std::string_view::npos);
  } else {
    FUZZ_CHECK(value.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static SsiFixture fixture;
  FuzzedDataProvider input(data, size);
  const std::string name = input.ConsumeRandomLengthString(12);
  const std::string text = input.ConsumeRemainingBytesAsString();
  CheckAttribute(text, name);
  if (CouldLeaveRoot(text)) return 0;

  RecordingOutput output;
  ruz::SsiDocument document;
  document.output = &output;
  document.slot = &fixture.slot;
  document.shared = &fixture.shared;
  document.request = &fixture.request;
  document.directory = fixture.root + "/sub";
  FUZZ_CHECK(ruz::ProcessSsiText(document, text));
  // Text in front of the first directive goes out as it is.
  const std::size_t open = text.find("<!--#");
  FUZZ_CHECK(output.text.starts_with(std::string_view(text).substr(0, open)));
  if (open == std::string::npos) FUZZ_CHECK(output.text == text);
  return 0;
}
