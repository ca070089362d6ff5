#pragma once
// The appliance's shared folder: a real SMB share "Volume1" served by smbd,
// with nmbd announcing the appliance's NAS name so that it can be found by
// NetBIOS broadcast. Guest access, writable.
//
// Everything the daemons keep (configuration, state, locks, private files,
// pid files, logs) lives in one directory of the volume's own; the shared
// files are in its "Volume1" folder. The daemons run in the simulator's
// network namespace, bound to the appliance's address only.
#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "devtools/vbx207-sim/ivolumeprovider.h"
#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

class SmbVolume {
 public:
  // `dir`: the volume's directory (created when missing).
  explicit SmbVolume(std::string dir);
  ~SmbVolume();

  SmbVolume(const SmbVolume&) = delete;
  SmbVolume& operator=(const SmbVolume&) = delete;

  // Writes the configuration and starts smbd and nmbd for `identity` (NAS
  // name, workgroup, address and netmask), with an empty share. Returns
  // without waiting for them to serve (smbd takes a moment, nmbd a few
  // seconds to claim its name); false with the reason in *why when they
  // cannot be started or end at once.
  bool Start(const Identity& identity, std::string* why);

  // Stops smbd, nmbd and every helper they started (found by their
  // configuration file argument), by process id.
  void Stop();

  bool running() const { return smbd_ > 0; }
  std::string shareDir() const { return dir_ + "/Volume1"; }
  std::string configPath() const { return dir_ + "/smb.conf"; }
  // The NetBIOS name the share is announced under.
  const std::string& netbiosName() const { return netbiosName_; }
  pid_t smbdPid() const { return smbd_; }
  pid_t nmbdPid() const { return nmbd_; }

 private:
  bool WriteConfig(const Identity& identity, std::string* why);

  std::string dir_;
  std::string netbiosName_;
  pid_t smbd_ = -1;
  pid_t nmbd_ = -1;
};

// A NetBIOS name from an appliance name: letters, digits, '-' and '_' kept,
// upper case, at most 15 characters; "VBX-207" when nothing is left.
std::string NetbiosNameOf(const std::string& name);

// The volume hook for shares: a format with a NAS part (re)starts the
// appliance's share with an empty Volume1; a format without one stops it.
// Every request is handed on to `next` first, whose answer stands.
//
// The volumes live under $VBX207_SIM_SMB_DIR/<mac without colons> when that
// is set (tests look at the shared files there), else under a temporary
// directory that goes at exit.
class SmbVolumeProvider : public IVolumeProvider {
 public:
  using IdentityLookup = std::function<std::optional<Identity>(const std::string& mac)>;

  SmbVolumeProvider(IVolumeProvider& next, std::FILE* log);
  ~SmbVolumeProvider() override;

  // How the provider learns an appliance's current identity (its NAS name
  // may have been changed since the simulator started).
  void SetIdentityLookup(IdentityLookup lookup) { lookup_ = std::move(lookup); }

  bool FormatRequested(const FormatProfile& profile) override;
  void Withdraw(const std::string& mac, bool iscsi, bool share) override;

  const SmbVolume* Volume(const std::string& mac) const;

 private:
  IVolumeProvider& next_;
  std::FILE* log_;
  IdentityLookup lookup_;
  std::string baseDir_;
  bool ownBase_ = false;
  std::map<std::string, std::unique_ptr<SmbVolume>> volumes_;
};

}  // namespace sp::sim
