// File and folder helpers of the runtime. Names go through the platform, so "C:\..." works.
#pragma once

#include "rtl/DateTime.h"

#include <string>

namespace rtl {

bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
bool CreateDir(const std::string& name);
// Creates the folder and every missing parent (the folder of a drive included); true when the
// folder exists afterwards.
bool ForceDirectories(const std::string& name);
bool DeleteFile(const std::string& name);
bool RenameFile(const std::string& oldName, const std::string& newName);
bool SetCurrentDir(const std::string& name);
std::string GetCurrentDir();

// The last-write time in local time; false when the file does not exist.
bool FileAge(const std::string& name, TDateTime& age);

// Path parts; both '\' and '/' separate folders, and a drive ends in ':'.
std::string ExtractFilePath(const std::string& name); // with the trailing separator
std::string ExtractFileName(const std::string& name);
std::string ExtractFileExt(const std::string& name); // with the dot
std::string IncludeTrailingPathDelimiter(const std::string& name);

// The program's arguments: ParamStr(0) is the program, ParamCount the number of the others.
int ParamCount();
std::string ParamStr(int index);

} // namespace rtl
