// This file declares the completion of a typed file name: what Tab offers
// at the file-name prompt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace files {

// The whole names that can follow from `typed`, the line typed so far being
// one name: the entries of the folder it names up to its last separator
// (the current folder when it has none) whose names begin with the rest,
// byte for byte. Only what can lead to a usable file is offered: folders,
// each ending in "/", and files whose extension has a textual content type.
// The typed part is kept exactly as typed; nothing is quoted or appended.
// Sorted by byte value; empty when nothing fits or the folder cannot be read.
std::vector<std::string> complete_name(std::string_view typed);

}  // namespace files
