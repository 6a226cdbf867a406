// The ini reader, and the writer's agreement with it: writing one key or
// deleting one section changes what the reader sees for that key or section only.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "platform/ini.h"
#include "platform/text_codes.h"

namespace {

constexpr std::size_t kCapacity = 1 << 20;

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every (section, key) the reader can be asked for, with what it answers.
Pairs Visible(const ruz::IniDocument &doc) {
  Pairs pairs;
  for (const ruz::IniSection &section : doc.sections) {
    for (const ruz::IniEntry &entry : section.entries) {
      pairs.emplace_back(section.name + '\n' + entry.key,
                         ruz::GetIniString(doc, section.name, entry.key, "\x01", kCapacity));
    }
  }
  return pairs;
}

std::string Lookup(const ruz::IniDocument &doc, const std::string &sectionAndKey) {
  std::size_t split = sectionAndKey.find('\n');
  return ruz::GetIniString(doc, sectionAndKey.substr(0, split), sectionAndKey.substr(split + 1),
                           "\x01", kCapacity);
}

std::string Name(FuzzedDataProvider &input) {
  std::string name;
  for (char c : input.ConsumeRandomLengthString(8)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) name += c;
  }
  return name.empty() ? "k" : name;
}

// Printable, no surrounding blanks, not wrapped in quotes: it reads back as written.
std::string Value(FuzzedDataProvider &input) {
  std::string value;
  for (char c : input.ConsumeRandomLengthString(32)) {
    if (c >= 0x21 && c <= 0x7e) value += c;
  }
  while (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value.erase(0, 1);
  }
  return value;
}

const std::string &ScratchPath() {
  static const std::string path = "/tmp/ruz-fuzz-ini-" + std::to_string(getpid()) + ".ini";
  return path;
}

ruz::IniDocument Reload() {
  ruz::IniDocument doc;
  FUZZ_CHECK(ruz::LoadIniFile(ScratchPath(), doc));
  return doc;
}

void CheckOthersUnchanged(const Pairs &before, const ruz::IniDocument &after,
                          const std::string &section, const std::string &key, bool wholeSection) {
  for (const auto &[sectionAndKey, value] : before) {
    std::size_t split = sectionAndKey.find('\n');
    bool sameSection = ruz::EqualsIgnoreCase(sectionAndKey.substr(0, split), section);
    bool sameKey = ruz::EqualsIgnoreCase(sectionAndKey.substr(split + 1), key);
    if (sameSection && (wholeSection || sameKey)) continue;
    FUZZ_CHECK(Lookup(after, sectionAndKey) == value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = Name(input);
  const std::string key = Name(input);
  const std::string value = Value(input);
  const bool deleteSection = input.ConsumeBool();
  const std::size_t capacity = input.ConsumeIntegralInRange<std::size_t>(0, 300);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const ruz::IniDocument doc = ruz::ParseIni(text);
  FUZZ_CHECK(ruz::GetIniString(doc, section, key, text, capacity).size() + 1 <= std::max<std::size_t>(capacity, 1));
  (void)ruz::GetIniInt(doc, section, key, 7);
  const Pairs before = Visible(doc);

  std::ofstream(ScratchPath(), std::ios::binary | std::ios::trunc) << text;
  if (deleteSection) {
    static_cast<void>(ruz::DeleteIniSection(ScratchPath(), section));  // absent is fine
    CheckOthersUnchanged(before, Reload(), section, key, true);
  } else {
    FUZZ_CHECK(ruz::WriteIniString(ScratchPath(), section, key, value));
    const ruz::IniDocument after = Reload();
    FUZZ_CHECK(ruz::GetIniString(after, section, key, "\x01", kCapacity) == value);
    CheckOthersUnchanged(before, after, section, key, false);
  }
  return 0;
}
