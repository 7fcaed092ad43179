// This file defines the word list: a text seen as its space-separated
// entries, and the bracketed form in which the list is printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {

#if defined(__SSE2__)
namespace detail {

// The spaces among 16 bytes, one bit each, lowest byte first.
inline unsigned space_mask(__m128i chunk) noexcept {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(' '))));
}

}  // namespace detail
#endif

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
        stop_ = next_space();
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
        : start_(start), text_end_(text_end), scanned_(start) {
      stop_ = next_space();
    }

    // The next space not yet handed out, or the end of the text. Spaces are
    // found 16 bytes at a time where the processor has SSE2, and the ones
    // of a block are handed out one by one from a bit mask; the last bytes
    // of the text, and processors without SSE2, use memchr.
    const char* next_space() noexcept {
#if defined(__SSE2__)
      for (;;) {
        if (spaces_ != 0) {
          const char* space = scanned_ - 16 + __builtin_ctz(spaces_);
          spaces_ &= spaces_ - 1;
          return space;
        }
        if (text_end_ - scanned_ < 16) break;
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scanned_));
        spaces_ = detail::space_mask(block);
        scanned_ += 16;
      }
#endif
      const void* space = std::memchr(scanned_, ' ', static_cast<std::size_t>(text_end_ - scanned_));
      if (space == nullptr) {
        scanned_ = text_end_;
        return text_end_;
      }
      scanned_ = static_cast<const char*>(space) + 1;
      return static_cast<const char*>(space);
    }

    const char* start_ = nullptr;  // first byte of the entry; null past the end
    const char* stop_ = nullptr;   // the space after it, or the end of the text
    const char* text_end_ = nullptr;
    const char* scanned_ = nullptr;  // the bytes before it have been searched for spaces
    unsigned spaces_ = 0;            // spaces among the 16 bytes before scanned_ not yet handed out
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

// The number of entries of the list equal to `word`, byte for byte.
std::uint64_t count_equal(const WordList& list, std::string_view word) noexcept;

// Receives the bracketed form piece by piece, in order.
using TextSink = std::function<void(std::string_view)>;

// Writes the list as "[" + quoted entries separated by ", " + "]". An entry
// is quoted with apostrophes, or with quotation marks when it holds an
// apostrophe and no quotation mark; an apostrophe inside apostrophes is
// written as \'. Inside, a backslash is doubled, a tab is \t, and any other
// non-printable character is \xhh, \uhhhh or \Uhhhhhhhh (lower-case hex),
// by the size of its code point. The list's text must be valid UTF-8.
// The form is gathered in a buffer of `buffer_size` bytes, which the sink
// gets whenever it is full; an entry too long for it comes in pieces of
// its own.
void write_bracketed(const WordList& list, const TextSink& sink, std::size_t buffer_size = 64 * 1024);

}  // namespace text
