// This file implements the file operations of the dialogue.
#include "files/file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <filesystem>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace files {

// The few calls that differ between the platforms. Names are UTF-8 inside
// the program; on Windows they become wide paths for the system.
struct FileAccess {
  static int& descriptor(OpenFile& file) noexcept { return file.descriptor_; }

#if defined(_WIN32)
  using Status = struct _stat64;

  // A path made from the bytes as they are would be read in the ANSI code
  // page. A name that is not UTF-8 has no wide form and throws.
  static std::filesystem::path system_path(std::string_view path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
  }
  // The system's own look-up, which takes every form of a Windows path
  // ("C:", "folder\", "folder/"), where _wstat64 refuses some of them.
  static int stat_path(std::string_view path, Status& status) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(system_path(path).c_str(), GetFileExInfoStandard, &data) == 0) {
      errno = ENOENT;
      return -1;
    }
    status = Status{};
    status.st_mode = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? _S_IFDIR : _S_IFREG;
    status.st_size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                            data.nFileSizeLow);
    return 0;
  }
  // A folder does not open as a file; the system calls that a refusal of
  // access, which the user is told as what it is.
  static int open_path(std::string_view path) {
    try {
      const std::filesystem::path wide = system_path(path);
      const int descriptor = ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
      if (descriptor < 0 && errno == EACCES) {
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) errno = EISDIR;
      }
      return descriptor;
    } catch (...) {
      errno = ENOENT;
      return -1;
    }
  }
  static int stat_open(int descriptor, Status& status) { return ::_fstat64(descriptor, &status); }
  static long long read_some(int descriptor, char* buffer, std::size_t size) {
    return ::_read(descriptor, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
  }
  static int close_descriptor(int descriptor) { return ::_close(descriptor); }
#else
  using Status = struct stat;

  static int stat_path(std::string_view path, Status& status) {
    const std::string terminated(path);
    return ::stat(terminated.c_str(), &status);
  }
  static int open_path(std::string_view path) {
    const std::string terminated(path);
    return ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC);
  }
  static int stat_open(int descriptor, Status& status) { return ::fstat(descriptor, &status); }
  static long long read_some(int descriptor, char* buffer, std::size_t size) {
    // One call reads at most 1 GiB, which every system accepts.
    return ::read(descriptor, buffer, std::min<std::size_t>(size, std::size_t{1} << 30));
  }
  static int close_descriptor(int descriptor) { return ::close(descriptor); }
#endif

  // Readies the memory of a large buffer that is about to be filled: where
  // the system can, one call maps all of its pages at once, which is much
  // cheaper than the fault that touching each page on its own would take;
  // for a file of hundreds of MiB those faults are a good part of the run.
  // Elsewhere, or when the system declines, the pages come as they are
  // touched, as they always do.
  static void prepare_buffer([[maybe_unused]] char* data, [[maybe_unused]] std::size_t size) noexcept {
#if defined(MADV_POPULATE_WRITE)
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (page_size <= 0 || size < (std::size_t{1} << 20)) return;
    const auto page = static_cast<std::uintptr_t>(page_size);
    // Only whole pages inside the buffer.
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / page * page;
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
  }
};

namespace {

bool holds_nul(std::string_view path) noexcept { return path.find('\0') != std::string_view::npos; }

// Reads into `text` from `filled` on until the end of the file, growing the
// buffer when it is full. Returns 0 or the system's error number.
int read_to_end(int descriptor, std::string& text, std::size_t filled) {
  // On the heap, and only when needed: a small stack (ulimit -s) must do.
  std::string probe;
  for (;;) {
    if (filled == text.size()) {
      // Either the size was not known, or the file grew: a small probe
      // tells which without doubling a buffer that is already right.
      if (probe.empty()) probe.resize(64 * 1024);
      const long long got = FileAccess::read_some(descriptor, probe.data(), probe.size());
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (got == 0) break;
      text.resize(std::max(text.size() * 2, text.size() + probe.size()));
      std::memcpy(text.data() + filled, probe.data(), static_cast<std::size_t>(got));
      filled += static_cast<std::size_t>(got);
      continue;
    }
    const long long got = FileAccess::read_some(descriptor, text.data() + filled, text.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  text.resize(filled);
  return 0;
}

}  // namespace

OpenFile::OpenFile(OpenFile&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    close(*this);
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

OpenFile::~OpenFile() { close(*this); }

bool exists(std::string_view path) noexcept {
  if (path.empty() || holds_nul(path)) return false;
  try {
    FileAccess::Status status{};
    return FileAccess::stat_path(path, status) == 0;
  } catch (...) {
    return false;
  }
}

OpenResult open(std::string_view path) {
  OpenResult result;
  if (path.empty() || holds_nul(path)) {
    result.error_number = ENOENT;
    return result;
  }
  const int descriptor = FileAccess::open_path(path);
  if (descriptor < 0) {
    result.error_number = errno;
    return result;
  }
  FileAccess::descriptor(result.file) = descriptor;
  return result;
}

ReadResult read(OpenFile& file) {
  ReadResult result;
  const int descriptor = FileAccess::descriptor(file);
  if (descriptor < 0) {
    result.failure = ReadFailure::system;
    result.error_number = EBADF;
    return result;
  }
  FileAccess::Status status{};
  if (FileAccess::stat_open(descriptor, status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    const auto size = static_cast<std::size_t>(status.st_size);
    result.text.reserve(size);
    FileAccess::prepare_buffer(result.text.data(), size);
    result.text.resize(size);
  }
  const int error_number = read_to_end(descriptor, result.text, 0);
  if (error_number != 0) {
    result.failure = ReadFailure::system;
    result.error_number = error_number;
    result.text = std::string();
    return result;
  }
  result.utf8 = text::decode_in_place(result.text);
  if (!result.utf8.ok()) {
    result.failure = ReadFailure::not_utf8;
    result.text = std::string();
  }
  return result;
}

int close(OpenFile& file) noexcept {
  int& descriptor = FileAccess::descriptor(file);
  if (descriptor < 0) return 0;
  const int result = FileAccess::close_descriptor(descriptor);
  descriptor = -1;
  return result == 0 ? 0 : errno;
}

}  // namespace files
