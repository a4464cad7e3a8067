#pragma once
// The few file-system operations of the session log, the session archive and
// the data windows. Names are relative to the current directory, which the
// program never changes. None of these throws: failure is a false or empty
// result, and the caller decides whether it matters.

#include <string>
#include <string_view>
#include <vector>

namespace tarnovel {

// True when name is a plain file (a symbolic link to one counts).
bool FileExists(const std::string& name);

bool DirectoryExists(const std::string& name);

// Deletes a plain file; true when it was deleted. A directory is left alone.
bool DeleteFile(const std::string& name);

// Renames a plain file (not a link, not a folder) to `to`, replacing a file
// of that name; true on success. False, with nothing changed, where a rename
// cannot do it (another file system, `to` a folder): copy instead.
bool MoveFile(const std::string& from, const std::string& to);

// Copies a plain file, replacing a file of the name `to`; true on success.
// The copy is made under a temporary name and renamed when complete, so a
// failed copy never leaves a partial file under the name `to`.
bool CopyFile(const std::string& from, const std::string& to);

// True when this call created the directory; false when it could not, also
// when it already existed.
bool CreateDirectory(const std::string& name);

// Removes an empty directory; true when it was removed.
bool RemoveDirectory(const std::string& name);

// True when name matches pattern, where "*" stands for any run of characters
// (also none) and "?" for exactly one. Characters are code points, compared
// with ASCII letters folded to one case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The names of the plain files of the current directory that match pattern,
// sorted by code points.
std::vector<std::string> ListFiles(std::string_view pattern);

// The same for the plain files of folder; the names come without the folder.
std::vector<std::string> ListFilesIn(const std::string& folder, std::string_view pattern);

}  // namespace tarnovel
