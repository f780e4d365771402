#include "model/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

void OutputFileBuffer::Note(bool failed) {
  if (failed && firstError == 0) firstError = errno != 0 ? errno : EIO;
}

OutputFileBuffer::int_type OutputFileBuffer::overflow(int_type c) {
  errno = 0;
  const int_type result = stdio_filebuf::overflow(c);
  Note(traits_type::eq_int_type(result, traits_type::eof()) &&
       !traits_type::eq_int_type(c, traits_type::eof()));
  return result;
}

std::streamsize OutputFileBuffer::xsputn(const char_type* text, std::streamsize count) {
  errno = 0;
  const std::streamsize written = stdio_filebuf::xsputn(text, count);
  Note(written < count);
  return written;
}

int OutputFileBuffer::sync() {
  errno = 0;
  const int result = stdio_filebuf::sync();
  Note(result != 0);
  return result;
}

OutputFile::OutputFile() : std::ostream(nullptr) {}

OutputFile::OutputFile(const std::string& fileName) : OutputFile() {
  Open(fileName);
}

OutputFile::~OutputFile() {
  Close();
}

// O_NOFOLLOW refuses a link at the name itself; O_NONBLOCK keeps a pipe
// without a reader from holding the open, and the type is checked on what was
// opened, so nothing can be swapped in between.
bool OutputFile::Open(const std::string& fileName) {
  Close();
  const int descriptor =
      open(fileName.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    setstate(std::ios::badbit);
    return false;
  }
  struct stat opened {};
  if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode) ||
      ftruncate(descriptor, 0) != 0) {
    close(descriptor);
    errno = EINVAL;
    setstate(std::ios::badbit);
    return false;
  }
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  buffer = std::make_unique<OutputFileBuffer>(descriptor, std::ios::out | std::ios::binary);
  rdbuf(buffer.get());
  clear();
  return true;
}

bool OutputFile::Close() {
  if (!buffer) return true;
  flush();
  errno = 0;
  const bool closed = buffer->close() != nullptr;
  int error = buffer->FirstError();
  if (!closed && error == 0) error = errno;
  const bool written = good() && closed && error == 0;
  rdbuf(nullptr);
  buffer.reset();
  if (!written) setstate(std::ios::badbit);
  // The cause stays for the caller, as after a failed write of its own.
  errno = written ? 0 : (error != 0 ? error : EIO);
  return written;
}

bool IsRefusedOutput(const std::string& fileName) {
  struct stat named {};
  return lstat(fileName.c_str(), &named) == 0 && !S_ISREG(named.st_mode);
}
