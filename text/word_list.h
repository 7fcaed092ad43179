// This file defines the word list: a text seen as its space-separated
// entries, and the bracketed form in which the list is printed.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <iterator>
#include <string_view>

namespace text {

// The entries of a text cut at every space U+0020 and only there: n spaces
// give n + 1 entries, empty ones included. The list copies nothing; it views
// the text it was made from, which must outlive it.
class WordList {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::string_view*;
    using reference = std::string_view;

    iterator() = default;

    std::string_view operator*() const noexcept {
      return {start_, static_cast<std::size_t>(stop_ - start_)};
    }
    iterator& operator++() noexcept {
      if (stop_ == text_end_) {
        start_ = nullptr;  // past the last entry
        stop_ = nullptr;
      } else {
        start_ = stop_ + 1;
        stop_ = find_space(start_, text_end_);
      }
      return *this;
    }
    iterator operator++(int) noexcept {
      iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const iterator& other) const noexcept { return start_ == other.start_; }

   private:
    friend class WordList;
    iterator(const char* start, const char* text_end) noexcept
        : start_(start), stop_(find_space(start, text_end)), text_end_(text_end) {}

    static const char* find_space(const char* from, const char* to) noexcept {
      const void* space = std::memchr(from, ' ', static_cast<std::size_t>(to - from));
      return space != nullptr ? static_cast<const char*>(space) : to;
    }

    const char* start_ = nullptr;  // first byte of the entry; null past the end
    const char* stop_ = nullptr;   // the space after it, or the end of the text
    const char* text_end_ = nullptr;
  };

  WordList() noexcept = default;
  explicit WordList(std::string_view text) noexcept : text_(text) {}

  // The first entry always exists, even in the empty text. A view of an
  // empty text may have no data pointer, so it gets one of its own.
  iterator begin() const noexcept {
    const char* start = text_.data() != nullptr ? text_.data() : "";
    return {start, start + text_.size()};
  }
  iterator end() const noexcept { return {}; }

  std::string_view text() const noexcept { return text_; }

 private:
  std::string_view text_;
};

// `split`(text, " "): the word list of a text.
inline WordList split(std::string_view text) noexcept { return WordList(text); }

// Receives the bracketed form piece by piece, in order.
using TextSink = std::function<void(std::string_view)>;

// Writes the list as "[" + quoted entries separated by ", " + "]". An entry
// is quoted with apostrophes, or with quotation marks when it holds an
// apostrophe. Inside, a backslash is doubled, a tab is \t, and any other
// non-printable character is \xhh, \uhhhh or \Uhhhhhhhh (lower-case hex),
// by the size of its code point. The list's text must be valid UTF-8.
void write_bracketed(const WordList& list, const TextSink& sink);

}  // namespace text
