// Whether a protocol may replace the file its user named: never one of the files a run reads,
// however it is named, nor any file named like a pack in the folders the run walks.
#pragma once

#include <string>
#include <vector>

namespace brisolt {

// Empty when `target` (platform encoding; symbolic links are followed) may be written after a
// load that walked `folders` and found `packFiles` there; otherwise why not (UTF-8, naming the
// file). A file that does not exist yet is compared by its folder and name. A link someone else
// planted (see ResolveProtocolTarget) is refused here too, before the report is built.
std::string ProtocolTargetConflict(const std::string& target, const std::vector<std::string>& packFiles,
                                   const std::vector<std::string>& folders);

}  // namespace brisolt
