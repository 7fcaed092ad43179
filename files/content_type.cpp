// This file implements `guess_type` with a built-in table of extensions and,
// on POSIX systems, the platform's table for the extensions it lacks.
#include "files/content_type.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>

namespace files {
namespace {

struct Entry {
  std::string_view extension;  // lower case, without the dot
  std::string_view type;
};

// The built-in table, the same on every platform. It holds the textual
// types users point this program at, and the common non-textual ones, so
// that the answer for them never depends on the machine.
constexpr std::array builtin_types = {
    // Plain and structured text.
    Entry{"txt", "text/plain"},
    Entry{"text", "text/plain"},
    Entry{"srt", "text/plain"},
    Entry{"csv", "text/csv"},
    Entry{"tsv", "text/tab-separated-values"},
    Entry{"html", "text/html"},
    Entry{"htm", "text/html"},
    Entry{"shtml", "text/html"},
    Entry{"css", "text/css"},
    Entry{"js", "text/javascript"},
    Entry{"mjs", "text/javascript"},
    Entry{"md", "text/markdown"},
    Entry{"markdown", "text/markdown"},
    Entry{"vtt", "text/vtt"},
    Entry{"ics", "text/calendar"},
    Entry{"vcf", "text/vcard"},
    // Source code and markup.
    Entry{"c", "text/x-csrc"},
    Entry{"h", "text/x-chdr"},
    Entry{"cpp", "text/x-c++src"},
    Entry{"cc", "text/x-c++src"},
    Entry{"cxx", "text/x-c++src"},
    Entry{"hpp", "text/x-c++hdr"},
    Entry{"hh", "text/x-c++hdr"},
    Entry{"hxx", "text/x-c++hdr"},
    Entry{"java", "text/x-java"},
    Entry{"py", "text/x-python"},
    Entry{"sh", "text/x-sh"},
    Entry{"tex", "text/x-tex"},
    Entry{"ltx", "text/x-tex"},
    Entry{"diff", "text/x-diff"},
    Entry{"patch", "text/x-diff"},
    // Not text, whatever bytes they hold.
    Entry{"json", "application/json"},
    Entry{"pdf", "application/pdf"},
    Entry{"rtf", "application/rtf"},
    Entry{"zip", "application/zip"},
    Entry{"gz", "application/gzip"},
    Entry{"tgz", "application/gzip"},
    Entry{"bz2", "application/x-bzip2"},
    Entry{"xz", "application/x-xz"},
    Entry{"7z", "application/x-7z-compressed"},
    Entry{"tar", "application/x-tar"},
    Entry{"rar", "application/vnd.rar"},
    Entry{"doc", "application/msword"},
    Entry{"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    Entry{"xls", "application/vnd.ms-excel"},
    Entry{"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    Entry{"ppt", "application/vnd.ms-powerpoint"},
    Entry{"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    Entry{"odt", "application/vnd.oasis.opendocument.text"},
    Entry{"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    Entry{"epub", "application/epub+zip"},
    Entry{"exe", "application/vnd.microsoft.portable-executable"},
    Entry{"bin", "application/octet-stream"},
    Entry{"wasm", "application/wasm"},
    Entry{"yaml", "application/yaml"},
    Entry{"yml", "application/yaml"},
    Entry{"png", "image/png"},
    Entry{"jpg", "image/jpeg"},
    Entry{"jpeg", "image/jpeg"},
    Entry{"gif", "image/gif"},
    Entry{"bmp", "image/bmp"},
    Entry{"webp", "image/webp"},
    Entry{"tif", "image/tiff"},
    Entry{"tiff", "image/tiff"},
    Entry{"ico", "image/vnd.microsoft.icon"},
    Entry{"svg", "image/svg+xml"},
    Entry{"mp3", "audio/mpeg"},
    Entry{"wav", "audio/wav"},
    Entry{"ogg", "audio/ogg"},
    Entry{"flac", "audio/flac"},
    Entry{"mp4", "video/mp4"},
    Entry{"mkv", "video/x-matroska"},
    Entry{"avi", "video/x-msvideo"},
    Entry{"webm", "video/webm"},
};

using TypeTable = std::unordered_map<std::string, std::string>;

// Extensions are matched without regard to letter case: the table holds
// them in lower case, and a name's extension is looked up so.
std::string folded(std::string_view extension) {
  std::string key(extension);
  std::transform(key.begin(), key.end(), key.begin(), [](char character) {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character - 'A' + 'a') : character;
  });
  return key;
}

// The platform's table in the mime.types format: a type, then the
// extensions it has, with # starting a comment. Read at most once.
TypeTable read_platform_table() {
  TypeTable table;
#if !defined(_WIN32)
  std::ifstream file("/etc/mime.types");
  std::string line;
  while (std::getline(file, line)) {
    line.erase(std::min(line.find('#'), line.size()));
    std::istringstream words(line);
    std::string type;
    std::string extension;
    if (!(words >> type)) continue;
    // Some extensions are listed in capitals only (CQL, VFK).
    while (words >> extension) table.emplace(folded(extension), type);
  }
#endif
  return table;
}

// The built-in entries over the platform's ones.
const TypeTable& type_table() {
  static const TypeTable table = [] {
    TypeTable merged = read_platform_table();
    for (const Entry& entry : builtin_types) {
      merged.insert_or_assign(std::string(entry.extension), std::string(entry.type));
    }
    return merged;
  }();
  return table;
}

bool is_separator(char character) noexcept {
#if defined(_WIN32)
  return character == '/' || character == '\\';
#else
  return character == '/';
#endif
}

}  // namespace

std::string_view extension_of(std::string_view path) noexcept {
  std::size_t name_start = path.size();
  while (name_start > 0 && !is_separator(path[name_start - 1])) --name_start;
  std::string_view name = path.substr(name_start);
  const std::size_t first_not_dot = name.find_first_not_of('.');
  if (first_not_dot == std::string_view::npos) return {};
  name.remove_prefix(first_not_dot);
  const std::size_t last_dot = name.rfind('.');
  if (last_dot == std::string_view::npos) return {};
  return name.substr(last_dot + 1);
}

std::optional<std::string_view> guess_type(std::string_view path) {
  const std::string_view extension = extension_of(path);
  if (extension.empty()) return std::nullopt;
  const TypeTable& table = type_table();
  if (const auto found = table.find(folded(extension)); found != table.end()) return found->second;
  return std::nullopt;
}

}  // namespace files
