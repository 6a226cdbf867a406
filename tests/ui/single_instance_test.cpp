// One window per program folder: a second start reaches the first.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/single_instance.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

TEST(SingleInstanceTest, SecondClaimOnTheSameFolderAsksTheFirstToShowItself) {
  const QString folder = u"/tmp/ruz-instance-test-%1"_s.arg(QCoreApplication::applicationPid());
  SingleInstance first(folder);
  ASSERT_EQ(first.Claim(), InstanceRole::kFirst);
  QSignalSpy shown(&first, &SingleInstance::ShowRequested);
  SingleInstance second(folder);
  EXPECT_EQ(second.Claim(), InstanceRole::kSecond);
  EXPECT_TRUE(shown.wait(5000));
  SingleInstance elsewhere(folder + u"-other"_s);
  EXPECT_EQ(elsewhere.Claim(), InstanceRole::kFirst);
}

}  // namespace
}  // namespace ruz::testing
