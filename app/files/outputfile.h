#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

// Why `target` cannot be written as a file (a directory, a FIFO, a device
// or a socket, after following symbolic links), or "" when it can: a
// regular file, or a name not yet taken.
std::string UnwritableOutput(const std::string& target);

// Writes a file through a temporary beside it and puts it in place only
// when every byte reached the disk, so a failed write never touches an
// existing file of that name. The temporary has no name while it is
// written, so that no interruption leaves it behind; it gets a short hidden
// one just before it replaces the target. A target that is a symbolic link
// has the file it points to replaced, the link stays; a replaced file keeps
// its mode and, where the process may, its owner.
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
  bool Commit(std::string& error) { return Prepare(error) && Install(error); }
  // Drops what was written; the target stays as it was.
  void Abandon();

  // Commit in two steps, so that several files can all be made ready before
  // any of them replaces its target. Prepare flushes, syncs and names the
  // temporary; Install renames it over the target.
  bool Prepare(std::string& error);
  bool Install(std::string& error);

  // The first failed write as a message, or "" when every write succeeded.
  std::string WriteError() const;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();
  bool Fail(const std::string& what, int error, std::string& message);
  std::string Failure(const std::string& what) const;

  std::vector<char> m_buffer;
  std::string m_target;     // as given, for messages
  std::string m_resolved;   // the file replaced: symbolic links followed
  std::string m_directory;  // where the temporary lives
  std::string m_temporary;  // its name, once it has one
  int m_fd = -1;
  int m_slot = -1;  // signal cleanup of a named temporary
  bool m_prepared = false;
  int m_errno = 0;  // first write error, kept for the message
};

// Several files replaced as a whole: each is written and synced, and only
// when all of them are ready are they renamed into place. When any fails,
// every target stays as it was and every temporary goes.
class ReplacingFileSet {
 public:
  // A file to write for `target`; null with the reason in `error`.
  ReplacingFile* Add(const std::string& target, std::string& error);
  bool Commit(std::string& error);
  void Abandon();

 private:
  std::vector<std::unique_ptr<ReplacingFile>> m_files;
};
