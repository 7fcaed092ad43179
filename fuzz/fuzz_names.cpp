// Fuzz target: file names as typed, any bytes at all. `extension_of`,
// `guess_type` and `exists` must not crash, must look at the whole name
// (a NUL byte does not end it), and the extension must be the one of the
// name's last component.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/content_type.h"
#include "files/file.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "file name check failed: %s\n", what);
  std::abort();
}

// The extension by its definition: the last component, without the dots it
// starts with, then what follows its last dot.
std::string_view expected_extension(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  std::string_view component = slash == std::string_view::npos ? name : name.substr(slash + 1);
  while (!component.empty() && component.front() == '.') component.remove_prefix(1);
  const std::size_t dot = component.rfind('.');
  if (dot == std::string_view::npos) return {};
  return component.substr(dot + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const bool holds_nul = name.find('\0') != std::string::npos;

  const std::string_view extension = files::extension_of(name);
  if (extension != expected_extension(name)) fail("extension_of differs from its definition");
  if (!extension.empty() && extension.data() + extension.size() != name.data() + name.size()) {
    fail("extension is not a view of the name's end");
  }

  const std::optional<std::string_view> type = files::guess_type(name);
  if (extension.empty() && type.has_value()) fail("a type for a name without extension");
  if (type.has_value()) {
    if (extension.find('\0') != std::string_view::npos) fail("a type for an extension holding NUL");
    if (type->find('/') == std::string_view::npos) fail("a type without a slash");
  }
  // Only the extension counts, whatever comes before it.
  const std::string same_extension = "x." + std::string(extension);
  if (!extension.empty() && files::guess_type(same_extension) != type) fail("type depends on more than the extension");

  const bool found = files::exists(name);
  if (holds_nul && found) fail("a name holding NUL exists");
  if (name.empty() && found) fail("the empty name exists");
  return 0;
}
