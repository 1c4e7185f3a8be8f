#include "gui/FileCtrl.h"

#include "platform/File.h"
#include "rtl/FileUtils.h"

namespace gui {

const TClassInfo& TFileListBox::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TFileListBox>("TFileListBox", &TCustomListBox::StaticClass())
            .String("Directory", &TFileListBox::Directory, &TFileListBox::SetDirectory, false)
            .String("Mask", &TFileListBox::Mask, &TFileListBox::SetMask)
            .Event("OnClick", &TFileListBox::OnClick, &TFileListBox::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TFileListBox::TFileListBox(TComponent* owner) : TCustomListBox(owner), directory_(rtl::GetCurrentDir()) {}

void TFileListBox::SetDirectory(const std::string& directory) {
    directory_ = directory;
    Update();
}

void TFileListBox::SetMask(const std::string& mask) {
    mask_ = mask.empty() ? "*.*" : mask;
    Update();
}

void TFileListBox::Loaded() {
    TCustomListBox::Loaded();
    Update();
}

void TFileListBox::Update() {
    if (IsLoading()) return;
    rtl::TStringList names;
    names.SetSorted(true);
    names.SetDuplicates(rtl::TDuplicates::dupAccept);
    // A mask may list several patterns separated by semicolons.
    std::string patterns = mask_;
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        const std::string pattern =
            rtl::IncludeTrailingPathDelimiter(directory_) + patterns.substr(start, end - start);
        win::WIN32_FIND_DATAA data{};
        const win::HANDLE find = win::FindFirstFileA(pattern.c_str(), &data);
        if (find != win::INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) &&
                    names.IndexOf(data.cFileName) < 0)
                    names.Add(data.cFileName);
            } while (win::FindNextFileA(find, &data));
            win::FindClose(find);
        }
        start = end + 1;
    }
    Items()->Assign(names);
}

const TClassInfo& TFilterComboBox::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TFilterComboBox>("TFilterComboBox", &TCustomComboBox::StaticClass())
            .String("Filter", &TFilterComboBox::Filter, &TFilterComboBox::SetFilter)
            .Creatable()
            .Build();
    return info;
}

TFilterComboBox::TFilterComboBox(TComponent* owner) : TCustomComboBox(owner) {
    SetFilter("All files (*.*)|*.*");
}

void TFilterComboBox::SetFilter(const std::string& filter) {
    filter_ = filter;
    masks_.clear();
    Items()->BeginUpdate();
    Items()->Clear();
    std::size_t start = 0;
    while (start < filter.size()) {
        const std::size_t bar = filter.find('|', start);
        const std::string description = filter.substr(start, bar - start);
        std::string mask;
        start = bar == std::string::npos ? filter.size() : bar + 1;
        if (bar != std::string::npos) {
            const std::size_t next = filter.find('|', start);
            mask = filter.substr(start, next - start);
            start = next == std::string::npos ? filter.size() : next + 1;
        }
        Items()->Add(description);
        masks_.push_back(mask.empty() ? "*.*" : mask);
    }
    Items()->EndUpdate();
    SetItemIndex(-1);
    if (!masks_.empty()) SetItemIndex(0);
}

std::string TFilterComboBox::Mask() const {
    const std::int64_t index = ItemIndex();
    return index < 0 || index >= static_cast<std::int64_t>(masks_.size())
               ? "*.*"
               : masks_[static_cast<std::size_t>(index)];
}

} // namespace gui
