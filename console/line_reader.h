// This file declares the line reader behind `input`: it cuts a stream of
// bytes into lines at LF, CR LF and a lone CR.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace console {

class LineReader {
 public:
  // Fills the buffer with what the stream has, at most `capacity` bytes,
  // waiting for at least one; returns 0 at the end of the stream.
  using Source = std::function<std::size_t(char* buffer, std::size_t capacity)>;

  explicit LineReader(Source source) : source_(std::move(source)) {}

  // The next line without its terminator, byte for byte as it came. A lone
  // CR ends the line at once, without waiting to see whether an LF follows;
  // such an LF is dropped at the start of the next line. A last line
  // without terminator counts as a line. Returns false at the end of the
  // stream with nothing of a line read.
  bool read_line(std::string& line);

 private:
  bool refill();

  Source source_;
  std::array<char, 64 * 1024> block_{};
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  bool skip_line_feed_ = false;
};

}  // namespace console
