#pragma once
// Network connections of drive letters: which share a drive letter stands
// for, and dropping that connection.
//
// A drive "X:" is connected when a network file system (a CIFS mount, or a
// bind mount out of the user's smbnetfs tree) sits on the letter's mount
// point, <mount root>/x. The share-mapping agent remembers every mapping it
// made per user, so that it can bring them back at the next session; a
// remembered mapping whose mount is missing is "remembered but unavailable".
#include <string>
#include <string_view>

namespace sp {

// Results, with the values the connection interface has always used.
inline constexpr int kNetNoError = 0;
inline constexpr int kNetErrorAccessDenied = 5;          // not allowed to unmount
inline constexpr int kNetErrorBadDevice = 1200;          // not a drive text
inline constexpr int kNetErrorConnectionUnavail = 1201;  // remembered, not connected
inline constexpr int kNetErrorOpenFiles = 2401;          // busy, and not forced
inline constexpr int kNetErrorNotConnected = 2250;       // no network connection there

// Where network mappings go unless told otherwise: the drive-letter
// convention (letter X: is /mnt/x).
inline constexpr const char kNetDriveMountRoot[] = "/mnt";

// The letter of a drive text "X:" (either case), upper case; '\0' for
// anything else.
char DriveTextLetter(std::string_view drive);

// <root>/x for letter X (either case); empty for a non-letter.
std::string NetworkMountPoint(const std::string& root, char letter);

class INetConnections {
 public:
  virtual ~INetConnections() = default;

  // The remote name ("\\host\share") of drive "X:". kNetNoError when it is
  // connected, kNetErrorConnectionUnavail when the mapping is remembered but
  // not connected (*remote still names it), kNetErrorNotConnected when there
  // is no network connection, kNetErrorBadDevice for a text that is no drive.
  virtual int GetConnection(std::string_view drive, std::string* remote) = 0;

  // Drops the connection of drive "X:": unmounts the network file system at
  // the letter (never a local volume). `updateProfile` also forgets the
  // remembered mapping; `force` unmounts even while files are open there.
  // kNetNoError when something was dropped or forgotten, else the reason.
  virtual int CancelConnection(std::string_view drive, bool updateProfile, bool force) = 0;
};

}  // namespace sp
