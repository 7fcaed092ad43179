// Fuzz target: the bracketed form of a word list, round trip. A small
// parser reads the printed form back; it must give the entries of the text
// cut at its spaces, every character must be shown raw exactly when it is
// printable, and the form must be valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/reference_utf8.h"
#include "text/printable.h"
#include "text/word_list.h"

namespace {

std::string form_for_trace;

[[noreturn]] void fail(const char* what, std::size_t at) {
  std::fprintf(stderr, "bracketed form: %s at byte %zu of: %s\n", what, at, form_for_trace.c_str());
  std::abort();
}

// The entries as the list must show them: the text cut at every space.
std::vector<std::string> entries_of(std::string_view text) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = text.find(' ', start);
    entries.emplace_back(text.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
    if (space == std::string_view::npos) return entries;
    start = space + 1;
  }
}

class Parser {
 public:
  explicit Parser(std::string_view form) : form_(form) {}

  std::vector<std::string> list() {
    std::vector<std::string> entries;
    expect('[');
    for (;;) {
      entries.push_back(entry());
      if (at_ < form_.size() && form_[at_] == ']') {
        ++at_;
        break;
      }
      expect(',');
      expect(' ');
    }
    if (at_ != form_.size()) fail("text after the closing bracket", at_);
    return entries;
  }

 private:
  void expect(char wanted) {
    if (at_ >= form_.size() || form_[at_] != wanted) fail("unexpected character", at_);
    ++at_;
  }

  std::uint32_t hex(int digits) {
    std::uint32_t value = 0;
    for (int k = 0; k < digits; ++k) {
      if (at_ >= form_.size()) fail("escape cut short", at_);
      const char digit = form_[at_++];
      if (digit >= '0' && digit <= '9') {
        value = value * 16 + static_cast<std::uint32_t>(digit - '0');
      } else if (digit >= 'a' && digit <= 'f') {
        value = value * 16 + static_cast<std::uint32_t>(digit - 'a' + 10);
      } else {
        fail("not a lower-case hex digit", at_ - 1);
      }
    }
    return value;
  }

  // An escape after its backslash, appended to `entry` as UTF-8.
  void escape(std::string& entry, char quote) {
    if (at_ >= form_.size()) fail("backslash at the end", at_);
    const std::size_t start = at_ - 1;
    const char kind = form_[at_++];
    std::uint32_t code_point = 0;
    switch (kind) {
      case '\\': entry += '\\'; return;
      case 't': entry += '\t'; return;
      case '\'':
        // Only inside apostrophes, and only when the entry needs both quotes.
        if (quote != '\'') fail("needless escape of an apostrophe", start);
        entry += '\'';
        return;
      case 'x': code_point = hex(2); break;
      case 'u':
        code_point = hex(4);
        if (code_point < 0x100) fail("\\u where \\x fits", start);
        break;
      case 'U':
        code_point = hex(8);
        if (code_point < 0x10000) fail("\\U where \\u fits", start);
        break;
      default: fail("unknown escape", start);
    }
    if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) fail("escape of no character", start);
    if (code_point == '\t' || code_point == '\\') fail("numeric escape of a tab or backslash", start);
    if (text::is_printable(code_point)) fail("printable character escaped", start);
    reference::encode(code_point, entry);
  }

  std::string entry() {
    if (at_ >= form_.size()) fail("entry missing", at_);
    const char quote = form_[at_];
    if (quote != '\'' && quote != '"') fail("entry without quote", at_);
    ++at_;
    std::string entry;
    for (;;) {
      if (at_ >= form_.size()) fail("entry not closed", at_);
      const char byte = form_[at_];
      if (byte == quote) {
        ++at_;
        break;
      }
      if (byte == '\\') {
        ++at_;
        escape(entry, quote);
        continue;
      }
      char32_t code_point = 0;
      std::size_t length = 0;
      if (!reference::decode_one(form_, at_, code_point, length)) fail("invalid UTF-8", at_);
      if (!text::is_printable(code_point)) fail("non-printable character shown raw", at_);
      entry.append(form_.substr(at_, length));
      at_ += length;
    }
    // Apostrophes quote, unless the entry holds an apostrophe and no
    // quotation mark.
    const bool quotation_marks = entry.find('\'') != std::string::npos && entry.find('"') == std::string::npos;
    if (quote != (quotation_marks ? '"' : '\'')) fail("other quote than expected", at_);
    return entry;
  }

  std::string_view form_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The list is made of the text of a file that was read as UTF-8.
  if (!reference::is_valid(text)) return 0;

  std::string form;
  std::size_t pieces = 0;
  text::write_bracketed(text::split(text), [&](std::string_view piece) {
    form.append(piece);
    ++pieces;
  });
  form_for_trace = form;
  if (pieces == 0) fail("nothing written", 0);
  if (!reference::is_valid(form)) fail("form is not valid UTF-8", 0);
  const std::vector<std::string> entries = Parser(form).list();
  if (entries != entries_of(text)) fail("entries differ from the text's", 0);
  return 0;
}
