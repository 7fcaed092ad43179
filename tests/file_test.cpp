// Tests of files::exists, open, read and close on a real file system: a
// fresh temporary directory per test, with the files each case needs.
#include "files/file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(_WIN32)
#include <direct.h>
#include <windows.h>

#include <random>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// The file system's path for a UTF-8 name, the way the program makes it.
// On Windows a path made from the bytes would be read in the ANSI code page.
std::filesystem::path system_path(const std::string& name) {
#if defined(_WIN32)
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
#else
  return name;
#endif
}

int make_directory(const std::string& name) {
#if defined(_WIN32)
  return ::_wmkdir(system_path(name).c_str());
#else
  return ::mkdir(name.c_str(), 0700);
#endif
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    // No mkdtemp here: random names until one is new. The folder's path,
    // like every name the program gets, is UTF-8, and has a drive letter.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && directory_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("licznik-file-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        const std::u8string name = candidate.u8string();
        directory_.assign(name.begin(), name.end());
      }
    }
    ASSERT_FALSE(directory_.empty());
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "licznik-file-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "errno " << errno;
    directory_ = pattern;
#endif
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(system_path(directory_), ignored);
  }

  std::string path(const std::string& name) const { return directory_ + "/" + name; }

  std::string write_file(const std::string& name, const std::string& bytes) const {
    const std::string file_path = path(name);
    std::ofstream out(system_path(file_path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << file_path;
    return file_path;
  }

  std::string directory_;
};

// A text of exactly `size` bytes with Polish letters and CR LF line ends,
// so that a piece read twice, lost or misplaced shows in the result.
std::string sample_text(std::size_t size) {
  std::string text;
  for (std::size_t line = 0; text.size() < size; ++line) {
    std::string piece = "wiersz " + std::to_string(line) + " zażółć gęślą jaźń\r\n";
    if (text.size() + piece.size() > size) piece.assign(size - text.size(), 'x');
    text += piece;
  }
  return text;
}

std::string with_line_feeds(const std::string& text) {
  std::string unified;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    unified += text[at];
  }
  return unified;
}

TEST_F(FileTest, ExistsForFilesAndDirectoriesOnly) {
  const std::string file_path = write_file("x", "abc");
  ASSERT_EQ(make_directory(path("katalog")), 0);

  EXPECT_TRUE(files::exists(file_path));
  EXPECT_TRUE(files::exists(path("katalog")));
  EXPECT_TRUE(files::exists(directory_));

  EXPECT_FALSE(files::exists(path("brak.txt")));
  EXPECT_FALSE(files::exists(""));
  EXPECT_FALSE(files::exists(file_path + "/pod"));  // a file is no directory
  // Cut at the NUL, the name would be the existing file "x".
  EXPECT_FALSE(files::exists(path(std::string("x\0.txt", 6))));
  EXPECT_FALSE(files::exists(std::string(5000, 'a')));
  EXPECT_FALSE(files::exists(path(std::string(300, 'a'))));
  EXPECT_FALSE(files::exists(path("\xff.txt")));  // not UTF-8
#if defined(_WIN32)
  // Windows takes both separators, a trailing one after a folder, and
  // drive letters; the temporary folder's path starts with one.
  std::string backslashed = file_path;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  std::string slashed = file_path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_TRUE(files::exists(backslashed)) << backslashed;
  EXPECT_TRUE(files::exists(slashed)) << slashed;
  EXPECT_TRUE(files::exists(path("katalog") + "\\"));
  EXPECT_TRUE(files::exists(path("katalog") + "/"));
  ASSERT_EQ(directory_.substr(1, 2), ":\\") << directory_;
  EXPECT_TRUE(files::exists(directory_.substr(0, 3)));
  EXPECT_TRUE(files::exists(directory_.substr(0, 2)));
  EXPECT_FALSE(files::exists(file_path + "\\"));
#endif
}

// Names are UTF-8 inside the program, whatever the system wants.
TEST_F(FileTest, FindsAndReadsFilesWithPolishLettersInTheirNames) {
  const std::string name = "Zażółć gęślą jaźń.txt";
  const std::string file_path = write_file(name, "źdźbło");
  EXPECT_TRUE(files::exists(file_path));
  EXPECT_FALSE(files::exists(path("Zazolc gesla jazn.txt")));
  files::OpenResult opened = files::open(file_path);
  ASSERT_TRUE(opened.file.is_open()) << "errno " << opened.error_number;
  const files::ReadResult result = files::read(opened.file);
  EXPECT_EQ(result.failure, files::ReadFailure::none);
  EXPECT_EQ(result.text, "źdźbło");
}

TEST_F(FileTest, ReadsRegularFilesWithLineEndsUnified) {
  struct Case {
    const char* what;
    std::string content;
    std::string text;
  };
  const Case cases[] = {
      {"empty file", "", ""},
      {"one letter", "ą", "ą"},
      {"Polish text, mixed line ends", "Zażółć gęślą\r\njaźń\rZAŻÓŁĆ\n", "Zażółć gęślą\njaźń\nZAŻÓŁĆ\n"},
      {"byte order mark kept", "\xEF\xBB\xBF" "Ala ma kota", "\xEF\xBB\xBF" "Ala ma kota"},
      {"CR at the very end", "koniec\r", "koniec\n"},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.what);
    files::OpenResult opened = files::open(write_file("plik.txt", test_case.content));
    ASSERT_TRUE(opened.file.is_open());
    EXPECT_EQ(opened.error_number, 0);
    const files::ReadResult result = files::read(opened.file);
    EXPECT_EQ(result.failure, files::ReadFailure::none);
    EXPECT_TRUE(result.utf8.ok());
    EXPECT_EQ(result.text, test_case.text);
    EXPECT_EQ(files::close(opened.file), 0);
  }
}

// Sizes around the 64 KiB the reader works in, and one far past it.
constexpr std::size_t sizes_around_blocks[] = {
    1, 100, 64 * 1024 - 1, 64 * 1024, 64 * 1024 + 1, 128 * 1024, 1024 * 1024 + 3,
};

TEST_F(FileTest, ReadsRegularFilesOfEverySize) {
  for (const std::size_t size : sizes_around_blocks) {
    SCOPED_TRACE("size " + std::to_string(size));
    const std::string content = sample_text(size);
    ASSERT_EQ(content.size(), size);
    files::OpenResult opened = files::open(write_file("duzy.txt", content));
    ASSERT_TRUE(opened.file.is_open());
    const files::ReadResult result = files::read(opened.file);
    EXPECT_EQ(result.failure, files::ReadFailure::none);
    EXPECT_TRUE(result.text == with_line_feeds(content)) << "the text read differs from the file";
  }
}

TEST_F(FileTest, RejectsContentThatIsNotUtf8) {
  struct Case {
    const char* what;
    std::string content;
    text::Utf8Error error;
    std::size_t position;
  };
  const Case cases[] = {
      {"byte FF", "\xFF", text::Utf8Error::invalid_lead, 0},
      {"Latin-2 letter", "za\xBF\xF3\xB3\xE6", text::Utf8Error::stray_continuation, 2},
      {"cut at the end, after CR LF", "Ala\r\nma\xC4", text::Utf8Error::truncated, 7},
      {"fault past the first 64 KiB", std::string(70000, 'a') + "\xC0\x80", text::Utf8Error::invalid_lead, 70000},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.what);
    files::OpenResult opened = files::open(write_file("zly.txt", test_case.content));
    ASSERT_TRUE(opened.file.is_open());
    const files::ReadResult result = files::read(opened.file);
    EXPECT_EQ(result.failure, files::ReadFailure::not_utf8);
    EXPECT_EQ(result.utf8.error, test_case.error);
    EXPECT_EQ(result.utf8.position, test_case.position);
    EXPECT_TRUE(result.text.empty());
  }
}

TEST_F(FileTest, ReadingADirectoryFailsWithTheSystemsReason) {
  ASSERT_EQ(make_directory(path("katalog")), 0);
#if defined(_WIN32)
  // A folder does not even open as a file on Windows.
  const files::OpenResult refused = files::open(path("katalog"));
  EXPECT_FALSE(refused.file.is_open());
  EXPECT_EQ(refused.error_number, EISDIR);
#else
  files::OpenResult opened = files::open(path("katalog"));
  ASSERT_TRUE(opened.file.is_open()) << "errno " << opened.error_number;
  const files::ReadResult result = files::read(opened.file);
  EXPECT_EQ(result.failure, files::ReadFailure::system);
  EXPECT_EQ(result.error_number, EISDIR);
  EXPECT_TRUE(result.text.empty());
  EXPECT_EQ(files::close(opened.file), 0);
#endif
}

TEST_F(FileTest, OpenFailsForMissingAndImpossibleNames) {
  write_file("x", "abc");
  struct Case {
    const char* what;
    std::string name;
  };
  const Case cases[] = {
      {"missing file", path("brak.txt")},
      {"empty name", ""},
      {"NUL inside, the cut name exists", path(std::string("x\0.txt", 6))},
      {"not UTF-8", path("\xff.txt")},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.what);
    const files::OpenResult opened = files::open(test_case.name);
    EXPECT_FALSE(opened.file.is_open());
    EXPECT_EQ(opened.error_number, ENOENT);
  }
}

TEST_F(FileTest, CloseTwiceAndReadAfterClose) {
  files::OpenResult opened = files::open(write_file("plik.txt", "abc"));
  ASSERT_TRUE(opened.file.is_open());
  EXPECT_EQ(files::close(opened.file), 0);
  EXPECT_FALSE(opened.file.is_open());
  EXPECT_EQ(files::close(opened.file), 0);

  const files::ReadResult result = files::read(opened.file);
  EXPECT_EQ(result.failure, files::ReadFailure::system);
  EXPECT_NE(result.error_number, 0);
}

// Files whose size the system does not know read to their end all the same.

#if !defined(_WIN32)
TEST_F(FileTest, ReadsAFifoWhoseSizeIsUnknown) {
  const std::size_t sizes[] = {0, 11, 64 * 1024 - 1, 64 * 1024, 64 * 1024 + 1, 128 * 1024, 300001};
  const std::string fifo_path = path("kolejka");
  ASSERT_EQ(::mkfifo(fifo_path.c_str(), 0600), 0);

  for (const std::size_t size : sizes) {
    SCOPED_TRACE("size " + std::to_string(size));
    const std::string content = sample_text(size);

    // The writer waits for the reader without blocking for good, so that a
    // reader that never opens fails the test instead of hanging it.
    std::thread writer([&fifo_path, &content] {
      sigset_t pipe_signal;
      sigemptyset(&pipe_signal);
      sigaddset(&pipe_signal, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      int descriptor = -1;
      while ((descriptor = ::open(fifo_path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
             errno == ENXIO && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (descriptor < 0) return;
      ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
      // Small pieces, so that the reader sees many short reads.
      for (std::size_t written = 0; written < content.size();) {
        const std::size_t piece = std::min<std::size_t>(content.size() - written, 5000);
        const ssize_t got = ::write(descriptor, content.data() + written, piece);
        if (got < 0) break;
        written += static_cast<std::size_t>(got);
      }
      ::close(descriptor);
    });

    // Closed before the writer is joined: a reader that stops early must
    // not leave the writer blocked on a full pipe.
    files::OpenResult opened = files::open(fifo_path);
    const bool was_open = opened.file.is_open();
    files::ReadResult result;
    if (was_open) result = files::read(opened.file);
    const int close_result = files::close(opened.file);
    writer.join();

    ASSERT_TRUE(was_open) << "errno " << opened.error_number;
    EXPECT_EQ(result.failure, files::ReadFailure::none);
    EXPECT_TRUE(result.text == with_line_feeds(content)) << "the text read differs from what was sent";
    EXPECT_EQ(close_result, 0);
  }
}

TEST_F(FileTest, ReadsAProcFileThatReportsSizeZero) {
  const char* const proc_file = "/proc/self/status";
  struct stat status {};
  if (::stat(proc_file, &status) != 0) GTEST_SKIP() << proc_file << " is not there";
  ASSERT_EQ(status.st_size, 0) << "the case needs a file whose size the system does not know";

  files::OpenResult opened = files::open(proc_file);
  ASSERT_TRUE(opened.file.is_open());
  const files::ReadResult result = files::read(opened.file);
  EXPECT_EQ(result.failure, files::ReadFailure::none);
  EXPECT_NE(result.text.find("Name:"), std::string::npos) << result.text;
}

#else
TEST_F(FileTest, ReadsANamedPipeWhoseSizeIsUnknown) {
  const std::size_t sizes[] = {0, 11, 64 * 1024 - 1, 64 * 1024, 64 * 1024 + 1, 128 * 1024, 300001};
  for (const std::size_t size : sizes) {
    SCOPED_TRACE("size " + std::to_string(size));
    const std::string content = sample_text(size);
    const std::string pipe_name =
        "\\\\.\\pipe\\licznik-file-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(size);
    const HANDLE server = ::CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                             4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();

    // Small pieces, so that the reader sees many short reads; closing the
    // server's end is the end of the file for the reader.
    std::thread writer([server, &content] {
      if (::ConnectNamedPipe(server, nullptr) != 0 || ::GetLastError() == ERROR_PIPE_CONNECTED) {
        for (std::size_t written = 0; written < content.size();) {
          const auto piece = static_cast<DWORD>(std::min<std::size_t>(content.size() - written, 5000));
          DWORD got = 0;
          if (::WriteFile(server, content.data() + written, piece, &got, nullptr) == 0) break;
          written += got;
        }
      }
      ::CloseHandle(server);
    });

    files::OpenResult opened = files::open(pipe_name);
    files::ReadResult result;
    if (opened.file.is_open()) {
      result = files::read(opened.file);
    } else {
      // The writer waits for a reader; give it one, so that it ends.
      const HANDLE reader = ::CreateFileA(pipe_name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
    }
    writer.join();

    ASSERT_TRUE(opened.file.is_open()) << "errno " << opened.error_number;
    EXPECT_EQ(result.failure, files::ReadFailure::none);
    EXPECT_TRUE(result.text == with_line_feeds(content)) << "the text read differs from what was sent";
    EXPECT_EQ(files::close(opened.file), 0);
  }
}
#endif

}  // namespace
