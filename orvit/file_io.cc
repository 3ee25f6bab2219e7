// Implementation of the file helpers with read(2)/write(2), avoiding
// iostreams so large corpora and models load quickly.
#include "orvit/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orvit/error.h"

namespace orvit {

std::string read_file(const std::string& path, bool dash_is_stdin) {
  bool is_stdin = dash_is_stdin && path == "-";
  int fd = is_stdin ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(path + ": " + std::strerror(errno));
  std::string data;
  size_t used = 0;
  // A regular file is read into a buffer of its size plus one byte (to see the end)
  // at once: growing by doubling would copy and clear a model file several times.
  struct stat status;
  const bool sized = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  data.resize(sized ? static_cast<size_t>(status.st_size) + 1 : 1 << 16);
  for (;;) {
    if (used == data.size()) data.resize(data.size() * 2);
    ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      if (!is_stdin) ::close(fd);
      throw Error(path + ": " + std::strerror(err));
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  if (!is_stdin) ::close(fd);
  data.resize(used);
  return data;
}

void write_file(const std::string& path, std::string_view data) {
  int fd = path == "-" ? 1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || !write_all(fd, data) || (fd != 1 && ::close(fd) != 0))
    throw Error(path + ": " + std::strerror(errno));
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace orvit
