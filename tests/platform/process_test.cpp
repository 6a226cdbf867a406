// Child processes: input writes that are bounded, ends of input and output, kills.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace ruz {
namespace {

ChildProcess StartOrFail(std::vector<std::string> arguments) {
  ChildProcess child;
  std::string error;
  SpawnOptions options;
  options.arguments = std::move(arguments);
  options.environment = {"PATH=/usr/bin:/bin"};
  EXPECT_TRUE(child.Start(options, error)) << error;
  return child;
}

std::string ReadAll(ChildProcess &child) {
  std::string out;
  char buffer[256];
  for (;;) {
    const ChildReadResult read = child.ReadOutput(buffer, sizeof buffer);
    if (read.status == ChildReadStatus::kData)
      out.append(buffer, read.bytes);
    else if (read.status == ChildReadStatus::kNothingWaiting)
      child.Wait(5000);
    else
      return out;
  }
}

TEST(ChildProcess, ClosingTheInputEndsAProgramThatReadsToTheEnd) {
  ChildProcess child = StartOrFail({"cat"});
  EXPECT_EQ(child.WriteInput("abc", 1000), ChildWriteStatus::kWritten);
  child.CloseInput();
  EXPECT_EQ(ReadAll(child), "abc");
  EXPECT_EQ(child.WaitForExit(), 0);
  EXPECT_FALSE(child.IsStarted());
}

TEST(ChildProcess, WritingToAProgramThatDoesNotReadIsBounded) {
  ChildProcess child = StartOrFail({"sleep", "30"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(child.WriteInput(std::string(4 << 20, 'x'), 100), ChildWriteStatus::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  child.Terminate();
  EXPECT_EQ(child.WaitForExit(), 128 + 9);
}

TEST(ChildProcess, WritingAfterTheProgramEndedReportsClosedInput) {
  ChildProcess child = StartOrFail({"true"});
  while (!child.Wait(5000).exited) {
  }
  EXPECT_EQ(child.WriteInput("late", 1000), ChildWriteStatus::kInputClosed);
  EXPECT_EQ(child.WriteInput("again", 1000), ChildWriteStatus::kInputClosed);
}

TEST(ChildProcess, ExitIsSeenWhileAGrandchildKeepsTheOutputOpen) {
  ChildProcess child = StartOrFail({"sh", "-c", "sleep 30 & echo started"});
  EXPECT_TRUE(child.Wait(5000).outputReady || child.HasExited());
  while (!child.HasExited()) child.Wait(5000);
  EXPECT_GT(child.OutputBytesWaiting(), 0u);
  child.Terminate();  // also ends the sleeping grandchild, which holds the pipe
  EXPECT_EQ(ReadAll(child), "started\n");
}

TEST(ChildProcess, StartFailsWithAReasonForAMissingProgram) {
  ChildProcess child;
  std::string error;
  SpawnOptions options;
  options.arguments = {"/nonexistent/program"};
  EXPECT_FALSE(child.Start(options, error));
  EXPECT_NE(error.find("/nonexistent/program"), std::string::npos);
  EXPECT_FALSE(child.IsStarted());
}

}  // namespace
}  // namespace ruz
