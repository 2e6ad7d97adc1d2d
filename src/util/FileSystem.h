#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace upd {

// Texts are UTF-8 everywhere in the tool; these convert at the file-system boundary.
// ToPath refuses a NUL, which would cut the path short in every system call.
std::filesystem::path ToPath(const std::string& utf8);
std::string FromPath(const std::filesystem::path& path);

// An existing regular file or a link to one: not a folder, FIFO, device or socket, which
// the tool cannot pack. Empty paths are neither.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The path completed against the current directory, for messages.
std::string AbsolutePathText(const std::filesystem::path& path);

// Directory of the running executable, with a trailing separator.
std::string ExecutableDirectory();

// The last system error: errno, or GetLastError() on Windows.
long LastSystemError();

// Without trailing blanks, line breaks and full stops (system texts end with them).
std::string TrimErrorText(std::string text);

// The system's text for an error code, without trailing blanks, line breaks and full stops.
std::string SystemErrorText(long code);

// The tool's own codes beside the system's, for a path that is not a regular file; the
// messages below give their own texts for them.
inline constexpr long kIsAFolder = -2;
inline constexpr long kNotARegularFile = -3;

// Which file a path names, links followed: device and inode, or volume and file ID on Windows.
// Two paths name the same file exactly when their identities are equal.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};
// Empty when nothing (reachable) stands at the path.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// Two names in one folder name the same file exactly when their keys are equal: the name
// itself, or on Windows, which ignores case, its upper case.
std::string FileNameKey(const std::string& utf8);

// The code a create reports for a path whose folder does not exist.
long MissingFolderError();

// Throws "Cannot create file "<path>". <text of MissingFolderError()>" unless the folder the
// path is in exists: no command creates a missing folder.
void RequireOutputFolder(const std::filesystem::path& path);

// True for the codes of a refused access (permissions, a read-only file system).
bool IsAccessDenied(long code);

// "Cannot create file "<absolute path>". <system text>" and its "open" twin.
std::string CannotCreateMessage(const std::filesystem::path& path, long code);
std::string CannotOpenMessage(const std::filesystem::path& path, long code);

// "Cannot create file "<target>". The folder "<folder>" does not allow creating files: <text>".
std::string FolderRefusesMessage(const std::filesystem::path& target, long code);

}  // namespace upd
