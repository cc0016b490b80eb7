#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

// An input file opened once. A regular file is read where it is; standard
// input ("-"), a pipe or a FIFO is copied once (up to 1 GiB) into an unnamed
// temporary file, so that every later look at it (the head, the
// read, a mesh importer) sees the same bytes without opening it again. Such
// copies are kept for the life of the process under the name they were
// opened by. A device named as a file is refused.
class InputFile {
 public:
  // Null with the reason in `error` when it cannot be opened or copied.
  static std::shared_ptr<InputFile> Open(const std::string& name, std::string& error);

  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  int Descriptor() const { return m_fd; }
  // A path that opens the same bytes, for libraries that take a path.
  const std::string& Path() const { return m_path; }
  // The first `size` bytes (fewer when the file is shorter); false with the
  // reason in `error`.
  bool Head(std::size_t size, std::string& head, std::string& error) const;

 private:
  InputFile(int fd, std::string name, std::string path)
      : m_fd(fd), m_name(std::move(name)), m_path(std::move(path)) {}

  int m_fd;
  std::string m_name;  // as the user gave it, for messages
  std::string m_path;
};

// Reads an input file from its start through a large buffer; each such
// buffer has its own position, so several may read one file at once.
class InputBuffer : public std::streambuf {
 public:
  explicit InputBuffer(std::shared_ptr<const InputFile> file);
  // errno of a failed read, else 0 (end of file is no failure).
  int Error() const { return m_errno; }

 protected:
  int_type underflow() override;
  // Tells the offset of the next byte (a seek by 0 from the current
  // position); no other seek is possible.
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;

 private:
  std::shared_ptr<const InputFile> m_file;
  std::vector<char> m_buffer;
  long long m_offset = 0;
  int m_errno = 0;
};
