#pragma once

// Opening the system's output files. A file is written only under its own name
// in its folder: a symbolic link standing at that name is never followed (in a
// folder that others may write to, a planted link would otherwise make a run
// overwrite any file its user may write), and nothing but a regular file is
// written to (a pipe would hold the run until someone reads it, a device takes
// the text nowhere). The caller says which file it lost; IsRefusedOutput tells
// a refused name from one that could not be opened for another reason.

#include <ext/stdio_filebuf.h>
#include <memory>
#include <ostream>
#include <string>

// The file's buffer, which keeps the system's error number of its first failed
// write: the stream itself only remembers that one failed.
class OutputFileBuffer final : public __gnu_cxx::stdio_filebuf<char> {
 public:
  using stdio_filebuf::stdio_filebuf;
  int FirstError() const { return firstError; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int sync() override;

 private:
  void Note(bool failed);
  int firstError = 0;
};

class OutputFile : public std::ostream {
 public:
  OutputFile();
  // Opens `fileName` at once, as Open does.
  explicit OutputFile(const std::string& fileName);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file, or empties the regular file of that name. False, with the
  // stream failed, when it cannot be opened or something else stands at the name.
  bool Open(const std::string& fileName);
  bool IsOpen() const { return buffer != nullptr; }
  // Hands everything to the system and closes the file; false when any write
  // failed, with the system's error number of the failure in errno. Closing a
  // closed file is true.
  bool Close();

 private:
  std::unique_ptr<OutputFileBuffer> buffer;
};

// Whether a symbolic link or something other than a regular file stands at
// `fileName`, so that OutputFile refuses it.
bool IsRefusedOutput(const std::string& fileName);
