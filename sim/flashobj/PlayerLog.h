// The optional activity log named by FLASHOBJ_LOG: one line per request
// received and per call-back made, for tests and demonstrations.
//
//   <tick> <movie> request <command> [<argument>]
//   <tick> <movie> ignored <request as received>
//   <tick> <movie> callback intro|outro
//
// <tick> is GetTickCount in milliseconds, <movie> the movie file's base name.
// Each line is appended with one write to a file opened and closed for it,
// so several players and processes can share one log.
#pragma once

#include <string>

namespace flashobj {

// Appends "<tick> <movie> <text>\n" when FLASHOBJ_LOG names a file.
void LogLine(const std::string& movie, const std::string& text);

} // namespace flashobj
