#include "platform/linux/mkntfsformatter.h"

#include "platform/linux/storagetools.h"
#include "platform/storagetooloutput.h"

namespace sp {

std::vector<std::string> MkntfsFormatter::CommandLine(const std::string& device, const NtfsFormatOptions& options) {
  std::vector<std::string> argv = {"mkntfs"};
  if (options.quick) argv.push_back("-Q");
  // Verbose: a quick format reports nothing else while it works, and its
  // steps are what the progress is made of.
  argv.push_back("-v");
  argv.insert(argv.end(), {"-c", std::to_string(options.clusterSize), "-p", std::to_string(options.hiddenSectors), "-H",
                           std::to_string(options.heads), "-S", std::to_string(options.sectorsPerTrack), "-L",
                           options.label, device});
  return argv;
}

bool MkntfsFormatter::Format(const std::string& device, const NtfsFormatOptions& options,
                             const std::function<void(int)>& progress, std::stop_token stop) {
  // mkntfs takes no "--": only an absolute path can never read as an option.
  if (device.empty() || device[0] != '/') return false;
  MkntfsProgress parser;
  if (progress) progress(0);
  const ToolResult r = RunStorageTool(CommandLine(device, options), kFormatToolMs, stop, [&](std::string_view chunk) {
    if (parser.Feed(chunk) && progress) progress(parser.percent());
  });
  // Success needs both: the tool's own success line and a clean exit.
  return r.exitCode == 0 && parser.reportedSuccess();
}

}  // namespace sp
