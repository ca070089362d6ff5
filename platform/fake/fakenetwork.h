#pragma once
// Stateful fakes of the network-connection facilities and the share-mapping
// agent. All three can write what they are asked into one shared journal, so
// tests can check the order across them:
//   "cancel Z: profile force"   "net use Z: delete"   "net not started"
//   "agent unmap Z:"   "agent map Z: \\host\Volume1"   "agent close"
// A request to an absent agent is journalled with "(no agent)" appended.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/netconnections.h"
#include "platform/netdockagent.h"
#include "platform/netuse.h"

namespace sp {

using NetJournal = std::vector<std::string>;

class FakeNetConnections : public INetConnections {
 public:
  struct Entry {
    std::string remote;
    bool remembered = true;
    bool connected = true;
    bool openFiles = false;  // cancelling needs force
  };

  explicit FakeNetConnections(NetJournal* journal = nullptr) : journal_(journal) {}

  int GetConnection(std::string_view drive, std::string* remote) override;
  int CancelConnection(std::string_view drive, bool updateProfile, bool force) override;

  // Letter (upper case) -> connection.
  std::map<char, Entry> entries;

 private:
  NetJournal* journal_;
};

class FakeNetUse : public INetUse {
 public:
  // With `connections`, a delete drops the letter's live connection there
  // (the remembered entry stays, as the command leaves it).
  explicit FakeNetUse(NetJournal* journal = nullptr, FakeNetConnections* connections = nullptr)
      : journal_(journal), connections_(connections) {}

  bool DeleteUse(std::string_view drive) override;

  bool commandAvailable = true;  // false: the command cannot be started
  std::vector<std::string> deleted;

 private:
  NetJournal* journal_;
  FakeNetConnections* connections_;
};

class FakeNetDockAgent : public INetDockAgent {
 public:
  struct Request {
    std::uint32_t dwData;
    std::u16string text;
    std::uint32_t cbData;
  };

  explicit FakeNetDockAgent(NetJournal* journal = nullptr) : journal_(journal) {}

  bool Find() override { return present; }
  std::int64_t SendRequest(std::uint32_t dwData, std::u16string_view text) override;
  bool Close() override;

  bool present = true;
  std::int64_t mapAnswer = 1;
  std::int64_t unmapAnswer = 1;
  std::vector<Request> received;  // only what reached a present agent
  int closes = 0;

 private:
  NetJournal* journal_;
};

}  // namespace sp
