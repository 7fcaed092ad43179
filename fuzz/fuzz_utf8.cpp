// Fuzz target: strict UTF-8 reading with line ends unified. The reference
// decoder decides whether the bytes are accepted, where the first
// ill-formed sequence starts, and which code points the text holds; any
// disagreement with text::decode_in_place aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/reference_utf8.h"
#include "text/utf8.h"

namespace {

[[noreturn]] void disagree(const char* what, const std::string& input) {
  std::fprintf(stderr, "decode_in_place disagrees with the reference: %s (input of %zu bytes)\n", what,
               input.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const reference::Decoded expected = reference::decode(input, true);

  std::string bytes = input;
  const text::Utf8Result result = text::decode_in_place(bytes);

  if (result.ok() != expected.ok) disagree(expected.ok ? "rejected valid text" : "accepted invalid text", input);
  if (!expected.ok) {
    if (result.position != expected.error_position) disagree("error at another position", input);
    return 0;
  }
  if (bytes.size() > input.size()) disagree("text grew", input);
  // The result is UTF-8 again, without any CR, and holds the same code
  // points; equal code points mean equal bytes.
  const reference::Decoded got = reference::decode(bytes, false);
  if (!got.ok) disagree("produced invalid UTF-8", input);
  if (got.code_points != expected.code_points) disagree("other code points", input);
  return 0;
}
