// This file declares `guess_type`: the content type of a file, guessed from
// the extension of its name.
#pragma once

#include <optional>
#include <string_view>

namespace files {

// The extension of the name's last path component: what follows its last
// dot. Leading dots belong to the name (".txt", "..txt" have none), and a
// component that ends in a dot has none either. Empty when there is none.
std::string_view extension_of(std::string_view path) noexcept;

// The content type (MIME type) the type table holds for the extension of
// `path`, looked up as written and then in ASCII lower case, or nothing.
// Only the name is looked at, never the file. The table is built into the
// program; on POSIX systems the platform's /etc/mime.types answers for the
// extensions it lacks.
std::optional<std::string_view> guess_type(std::string_view path);

}  // namespace files
