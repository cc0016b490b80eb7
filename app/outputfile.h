#pragma once

#include <streambuf>
#include <string>
#include <vector>

// Writes a file through a temporary beside it and puts it in place only
// when every byte reached the disk, so a failed write never touches an
// existing file of that name.
class ReplacingFile : public std::streambuf {
 public:
  ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Removes the temporary unless Commit succeeded.
  ~ReplacingFile() override;

  // Creates the temporary for `target`; false with the reason in `error`.
  bool Open(const std::string& target, std::string& error);
  // Flushes, syncs and renames the temporary over the target.
  bool Commit(std::string& error);
  // Drops what was written; the target stays as it was.
  void Abandon();

  const std::string& TemporaryPath() const { return m_temporary; }
  // The first failed write as a message, or "" when every write succeeded.
  std::string WriteError() const;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();
  std::string Failure(const std::string& what) const;

  std::vector<char> m_buffer;
  std::string m_target;
  std::string m_temporary;
  int m_fd = -1;
  int m_errno = 0;  // first write error, kept for the message
};
