#pragma once
// GoogleTest fixture for network tests: a fresh TestNetwork per test.
//
//   class MyTest : public sp::nettest::NetworkTest {};
//   TEST_F(MyTest, Something) {
//     net().Spawn(net().vbx(), {kSimulator, ...}, "sim");
//     int n = sp::nettest::RunInNamespace(net().pc(), [&] { return ...; });
//   }
//
// The test is skipped (not failed) when the machine cannot make namespaces
// (not root, no iproute2, no namespace support). When a test fails, the
// output of every program it spawned is printed before the network goes.
#include <gtest/gtest.h>

#include <memory>

#include "tests/net/harness/namespacethread.h"
#include "tests/net/harness/testnetwork.h"

namespace sp::nettest {

class NetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!TestNetwork::Available(&why)) GTEST_SKIP() << why;
    net_ = TestNetwork::Create(&why);
    ASSERT_NE(net_, nullptr) << "cannot build the test network: " << why;
  }

  void TearDown() override {
    if (!net_) return;
    net_->StopAll();
    if (HasFailure()) std::cerr << net_->SpawnedLogs();
    net_.reset();
  }

  TestNetwork& net() { return *net_; }

  std::unique_ptr<TestNetwork> net_;
};

}  // namespace sp::nettest
