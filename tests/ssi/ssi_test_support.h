// A recording stand-in for the client side of an SSI document, and a temporary
// directory for the files the directives read.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "http/server_shared.h"
#include "config/settings.h"
#include "platform/files.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "ssi/document.h"
#include "support/temp_dir.h"

namespace ruz::test {

class RecordingOutput : public SsiOutput {
 public:
  std::vector<std::string> sends;
  std::vector<SsiProgram> programs;
  std::vector<std::string> environments;  // the block each program got
  std::string failingSend;                // the bytes whose send fails, once
  RunResult runResult = kRunOk;

  bool Send(std::string_view bytes) override {
    if (!failingSend.empty() && bytes == failingSend) {
      failingSend.clear();
      return false;
    }
    sends.emplace_back(bytes);
    return true;
  }

  bool SendFile(ReadFile &file, std::uint64_t size) override {
    std::string content(size, '\0');
    const long long got = file.Read(content.data(), content.size());
    if (got < 0) return false;
    content.resize(static_cast<std::size_t>(got));
    return Send(content);
  }

  RunResult Run(const SsiProgram &program, const EnvironmentBlock &environment) override {
    programs.push_back(program);
    environments.push_back(environment.bytes);
    return runResult;
  }

  std::string Text() const {
    std::string all;
    for (const std::string &s : sends) all += s;
    return all;
  }
};

/// A document of /docs/page.shtml with the given query, writing into a
/// RecordingOutput, its directory a fresh temporary directory.
class SsiDocumentTest : public ::testing::Test {
 protected:
  explicit SsiDocumentTest(const std::string &query) {
    shared_.privateFiles.Watch(settings_);
    slot_.shared = &shared_;
    slot_.settings = &settings_;
    request_.path = "/docs/page.shtml";
    request_.query = query;
    document_.output = &output_;
    document_.slot = &slot_;
    document_.request = &request_;
    document_.shared = &shared_;
    document_.directory = dir_.Path();
    EnvPut(document_.variables, "QUERY_STRING", query, false);
  }

  TempDir dir_;
  ServerShared shared_;
  ServerSettings &settings_ = shared_.settings;
  ConnectionSlot slot_;
  RequestInfo request_;
  RecordingOutput output_;
  SsiDocument document_;
};

}  // namespace ruz::test
