#pragma once

#include <string>

namespace upd {

// Entry names are stored in the Windows ANSI code page the pharmacy application reads:
// the system's own on Windows, Windows-1251 elsewhere.

// The name stored for a source path: its last component. Throws when the name is unsafe
// or cannot be represented in the code page.
std::string StoredNameOf(const std::string& sourcePath);

// UTF-8 to code-page bytes; throws OperationError when a character has no code.
std::string EncodeStoredName(const std::string& utf8);
// Code-page bytes to UTF-8; throws OperationError on bytes without a character.
std::string DecodeStoredName(const std::string& bytes);

// A bare file name that cannot leave its folder or name a Windows device.
bool IsSafeEntryName(const std::string& utf8);

}  // namespace upd
