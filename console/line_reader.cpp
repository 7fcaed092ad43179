// This file implements the line reader behind `input`.
#include "console/line_reader.h"

namespace console {
namespace {

const char* find_line_end(const char* data, std::size_t size) noexcept {
  for (std::size_t at = 0; at < size; ++at) {
    if (data[at] == '\n' || data[at] == '\r') return data + at;
  }
  return nullptr;
}

}  // namespace

bool LineReader::read_line(std::string& line) {
  line.clear();
  for (;;) {
    if (next_ == end_ && !refill()) return !line.empty();
    if (skip_line_feed_) {
      skip_line_feed_ = false;
      if (block_[next_] == '\n') {
        ++next_;
        continue;
      }
    }
    const char* start = block_.data() + next_;
    const std::size_t available = end_ - next_;
    const char* stop = find_line_end(start, available);
    if (stop == nullptr) {
      line.append(start, available);
      next_ = end_;
      continue;
    }
    const auto length = static_cast<std::size_t>(stop - start);
    line.append(start, length);
    next_ += length + 1;
    skip_line_feed_ = *stop == '\r';
    return true;
  }
}

bool LineReader::refill() {
  next_ = 0;
  end_ = source_(block_.data(), block_.size());
  return end_ != 0;
}

}  // namespace console
