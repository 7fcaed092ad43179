// This file declares the file operations of the dialogue: `exists`, `open`,
// `read` and `close`, over the platform's file system.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace files {

// True when `path` names an existing file or directory. Any error counts
// as no, and so do the empty name and a name holding a NUL byte, which no
// file system entry can have.
bool exists(std::string_view path) noexcept;

// A file open for reading. It closes itself when dropped; `close` does it
// earlier and reports what went wrong.
class OpenFile {
 public:
  OpenFile() noexcept = default;
  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  bool is_open() const noexcept { return descriptor_ >= 0; }

 private:
  friend struct FileAccess;
  int descriptor_ = -1;
};

struct OpenResult {
  OpenFile file;
  int error_number = 0;  // the system's error number when it did not open
};

// `open`(path, "r", encoding "UTF-8"): opens the file for reading.
OpenResult open(std::string_view path);

enum class ReadFailure {
  none,
  not_utf8,  // the content is not well-formed UTF-8; `utf8` says why
  system,    // the system refused the read; `error_number` says why
};

struct ReadResult {
  std::string text;  // the whole content, line ends unified to LF
  ReadFailure failure = ReadFailure::none;
  int error_number = 0;
  text::Utf8Result utf8;
};

// `read`: the whole content of the file as strict UTF-8, with CR LF and
// lone CR turned into LF. The text is read into one buffer sized from the
// file's size where the system knows it.
ReadResult read(OpenFile& file);

// `close`: returns 0, or the system's error number.
int close(OpenFile& file) noexcept;

}  // namespace files
