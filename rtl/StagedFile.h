// A file that reaches its name only whole: it is written under a temporary name in the same
// folder and renamed into place by Commit. Until then whatever stood under the name stays as it
// was; a staged file that is not committed is removed.
#pragma once

#include "rtl/FileStream.h"

#include <string>
#include <string_view>

namespace rtl {

class TStagedFile : public THandleStream {
public:
    // Makes a new temporary file beside `fileName`, exclusively, so that nothing standing there
    // (a link, a pipe, another program's file) is opened. Raises EFCreateError when none can be
    // made, or when a folder stands under the name.
    explicit TStagedFile(std::string fileName);
    ~TStagedFile() override;
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    const std::string& FileName() const { return fileName_; }
    const std::string& StagingName() const { return stagingName_; }
    // Closes the file and renames it onto its name, replacing a file, link or pipe there without
    // following it. Raises EInOutError when that fails (a folder stands there, say); the staged
    // file is removed then.
    void Commit();

    // Whether a name in a folder is one that staging uses, such as one a killed program left.
    static bool IsStagingName(std::string_view name);
    // Removes what staging left in the folder; the number of files removed.
    static int RemoveLeftovers(const std::string& folder);

private:
    void Discard();

    std::string fileName_;
    std::string stagingName_;
};

} // namespace rtl
