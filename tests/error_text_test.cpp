// Tests of console::describe_error: the errors that a read or a write of
// the standard streams or of the file can meet are all told in Polish.
#include "console/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

// What read and write return on the streams the program meets: files,
// devices, pipes, terminals and sockets, local or on a network.
const int read_and_write_errors[] = {
    EAGAIN,     EBADF,       EFBIG,        EINTR,        EINVAL,    EIO,          EISDIR,    ENOSPC,
    EPIPE,      EPERM,       EACCES,       ENXIO,        ENODEV,    ENOMEM,       EOVERFLOW, EROFS,
    ESPIPE,     ETXTBSY,     EDEADLK,      ENOLCK,       ENOTCONN,  EDESTADDRREQ, ENOTSOCK,  ECONNRESET,
    ECONNREFUSED, ECONNABORTED, ETIMEDOUT, EHOSTUNREACH, ENETDOWN,  ENETUNREACH,  ENETRESET, ENOBUFS,
    EMSGSIZE,   EOPNOTSUPP,
#if defined(EDQUOT)
    EDQUOT,
#endif
#if defined(ESTALE)
    ESTALE,
#endif
};

TEST(DescribeErrorTest, TellsEveryReadAndWriteErrorInPolish) {
  for (const int error_number : read_and_write_errors) {
    SCOPED_TRACE(error_number);
    const std::string text = console::describe_error(error_number);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("błąd systemu"), std::string::npos) << text;
  }
}

TEST(DescribeErrorTest, KeepsTheNumberOfAnErrorWithoutAText) {
  const std::string text = console::describe_error(123456);
  EXPECT_EQ(text.rfind("błąd systemu 123456", 0), 0U) << text;
}

}  // namespace
