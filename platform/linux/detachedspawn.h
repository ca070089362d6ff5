#pragma once
// Starting a program that outlives the wizard (the file browser, the
// share-mapping agent, the initiator installer in its terminal): its own
// session, reparented to init by an intermediate child, standard streams on
// /dev/null, none of the wizard's descriptors, default signal mask.
#include <string>
#include <vector>

namespace sp {

// Starts `path` (an absolute path) with `argv` (argv[0] included). Returns
// the started program's pid, which leads its own session and process group,
// or -1 when it could not be started (fork failed, or the exec failed: the
// error travels back over a close-on-exec pipe).
long SpawnDetached(const std::string& path, const std::vector<std::string>& argv);

}  // namespace sp
