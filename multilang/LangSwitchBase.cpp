#include "multilang/LangSwitchBase.h"

#include "gui/Dialogs.h"
#include "platform/Module.h"
#include "platform/Resource.h"
#include "rtl/FileUtils.h"
#include "rtl/IntText.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace multilang {

std::vector<TBaseLangSwitch*> LangSwitchInstances;
std::uint8_t GlobalLanguage = 0;
std::string StringDllName;

namespace {

const char* const kOutOfRange = "Value must not be higher than\rnumber of available languages.";
const char* const kCancelled = "Cancelled.";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? std::string(1, separator) : std::string()) + parts[i];
    return text;
}

bool HasIntegerProperty(const gui::TComponent& component, const char* name) {
    return gui::HasProperty(component, name) &&
           gui::PropertyOf(component, name).Kind == gui::TTypeKind::tkInteger;
}

// A line of Positions with entries that differ between the languages.
bool EntriesDiffer(const std::string& line) {
    const std::vector<std::string> items = Split(line, ',');
    if (items.size() < 3) return false;
    return std::any_of(items.begin() + 2, items.end(),
                       [&](const std::string& item) { return item != items[1]; });
}

// Releases a loaded library whatever happens.
struct LibraryHandle {
    win::HMODULE handle;
    ~LibraryHandle() {
        if (handle != nullptr) win::FreeLibrary(handle);
    }
};

} // namespace

const gui::TClassInfo& TBaseLangSwitch::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TBaseLangSwitch>("TBaseLangSwitch", &TComponent::StaticClass())
            .String("About", &TBaseLangSwitch::About, &TBaseLangSwitch::SetAbout, false)
            .Event("BeforeLanguageChange", &TBaseLangSwitch::BeforeLanguageChange)
            .Event("AfterLanguageChanged", &TBaseLangSwitch::AfterLanguageChanged)
            .Event("IdNotFoundError", &TBaseLangSwitch::IdNotFoundError)
            .Integer("DefaultLanguage", &TBaseLangSwitch::DefaultLanguage,
                     &TBaseLangSwitch::SetDefaultLanguage)
            .Boolean("DefaultEnabled", &TBaseLangSwitch::DefaultEnabled, &TBaseLangSwitch::SetDefaultEnabled)
            .Integer("Languages", &TBaseLangSwitch::Languages, &TBaseLangSwitch::SetLanguages)
            .Integer("ActiveLanguage", &TBaseLangSwitch::ActiveLanguage, &TBaseLangSwitch::SetActiveLanguage)
            .Strings("Words", &TBaseLangSwitch::Words)
            .Strings("DoNot", &TBaseLangSwitch::DoNot)
            .Enumeration("SwitchPositions", {"spNone", "spControlsOnly", "spFormAndControls"},
                         &TBaseLangSwitch::SwitchPositions, &TBaseLangSwitch::SetSwitchPositions)
            .Enumeration("TranslateEdits", {"teNever", "teReadOnly", "teAlways"},
                         &TBaseLangSwitch::TranslateEdits, &TBaseLangSwitch::SetTranslateEdits)
            .Strings("Positions", &TBaseLangSwitch::Positions)
            .Strings("CharSets", &TBaseLangSwitch::CharSets)
            .Build();
    return info;
}

TBaseLangSwitch::TBaseLangSwitch(gui::TComponent* owner) : TComponent(owner) {
    LangSwitchInstances.push_back(this);
}

TBaseLangSwitch::~TBaseLangSwitch() {
    std::erase(LangSwitchInstances, this);
}

void TBaseLangSwitch::ShowOutOfRange() const {
    gui::MessageDlg(kOutOfRange, gui::TMsgDlgType::mtInformation, {gui::TMsgDlgBtn::mbCancel});
}

std::string TBaseLangSwitch::ChosenText(int index) const {
    const int count = words_.Count();
    const int line = index + static_cast<int>(activeLanguage_) + 1;
    if (line >= count) return {};
    std::string text = words_[line];
    const int fallback = index + static_cast<int>(defaultLanguage_) + 1;
    if (text.empty() && defaultEnabled_ && fallback < count) text = words_[fallback];
    return text;
}

void TBaseLangSwitch::SetActiveLanguage(std::int64_t language) {
    if (language < 0 || language >= languages_) {
        ShowOutOfRange();
        return;
    }
    Switch(language);
}

void TBaseLangSwitch::Switch(std::int64_t language) {
    bool allowIt = true;
    if (BeforeLanguageChange) BeforeLanguageChange(this, static_cast<std::uint8_t>(language), allowIt);
    if (!allowIt) return;
    gui::TComponent* owner = Owner();
    SaveCharSet();
    if (owner != nullptr) {
        SavePosition(*owner, -1);
        for (TComponent* component : owner->ComponentList())
            SavePosition(*component, 0);
    }
    activeLanguage_ = language;
    ApplyCharSet();
    if (owner != nullptr) {
        ApplyPosition(*owner, -1);
        int i = 0;
        while (i < words_.Count()) {
            const std::string key = words_[i];
            if (key == kFormKey) {
                if (gui::HasProperty(*owner, "Caption") && i + activeLanguage_ + 1 < words_.Count())
                    gui::SetProperty(*owner, "Caption", ChosenText(i));
                i += GroupSize();
                continue;
            }
            TComponent* component = owner->FindComponent(key);
            if (component == nullptr) {
                i += GroupSize();
                continue;
            }
            const int entry = i;
            try {
                TranslateComponent(*component, i);
            } catch (const std::exception&) {
                // The walk goes on from where the component left it, and at least one group on.
            }
            if (i <= entry) i = entry + GroupSize();
        }
    }
    if (AfterLanguageChanged) AfterLanguageChanged(this, static_cast<std::uint8_t>(activeLanguage_));
}

void TBaseLangSwitch::SaveCharSet() {
    if (Owner() == nullptr || !gui::HasProperty(*Owner(), "Font")) return;
    const gui::TObject* font = gui::GetObjectProperty(*Owner(), "Font");
    if (font == nullptr || !gui::HasProperty(*font, "Name") || !gui::HasProperty(*font, "CharSet")) return;
    const std::string text = gui::GetStringProperty(*font, "Name") + "," +
                             rtl::IntToStr(gui::GetIntegerProperty(*font, "CharSet"));
    while (charSets_.Count() < languages_)
        charSets_.Add(text);
    if (activeLanguage_ < charSets_.Count()) charSets_.Put(static_cast<int>(activeLanguage_), text);
}

void TBaseLangSwitch::ApplyCharSet() {
    if (activeLanguage_ >= charSets_.Count() || Owner() == nullptr || !gui::HasProperty(*Owner(), "Font"))
        return;
    gui::TObject* font = gui::GetObjectProperty(*Owner(), "Font");
    if (font == nullptr) return;
    const std::string line = charSets_[static_cast<int>(activeLanguage_)];
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) return; // no charset: the line is not used
    std::int32_t charSet = 0;
    const bool numeric = rtl::TryStrToInt(line.substr(comma + 1, 999), charSet);
    if (gui::HasProperty(*font, "Name")) gui::SetProperty(*font, "Name", line.substr(0, comma));
    if (numeric && gui::HasProperty(*font, "CharSet"))
        gui::SetProperty(*font, "CharSet", std::int64_t{charSet});
}

bool TBaseLangSwitch::PositionsSwitched(int index) const {
    return switchPositions_ == TSwitchPositions::spFormAndControls ||
           (switchPositions_ == TSwitchPositions::spControlsOnly && index != -1);
}

// "%Form%," for the owner window, else the component's name in lower case and a comma.
std::string TBaseLangSwitch::PositionKey(const gui::TComponent& component, int index) {
    if (index == -1) return std::string(kFormKey) + ",";
    std::string name = component.Name();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name + ",";
}

void TBaseLangSwitch::SavePosition(gui::TComponent& component, int index) {
    if (!PositionsSwitched(index)) return;
    const std::string key = PositionKey(component, index);
    std::vector<std::string> parts;
    for (const char* property : {"Left", "Top", "Width", "Height"})
        parts.push_back(HasIntegerProperty(component, property)
                            ? rtl::IntToStr(gui::GetIntegerProperty(component, property))
                            : std::string());
    const std::string entry = Join(parts, '.');
    if (entry == "...") return;
    for (int line = positions_.Count() - 1; line >= 0; --line) {
        if (positions_[line].compare(0, key.size(), key) != 0) continue;
        std::vector<std::string> items = Split(positions_[line], ',');
        while (static_cast<std::int64_t>(items.size()) < std::max(languages_, activeLanguage_ + 1) + 1)
            items.emplace_back();
        items[static_cast<std::size_t>(activeLanguage_) + 1] = entry;
        positions_.Put(line, Join(items, ','));
        return;
    }
    std::string added = key.substr(0, key.size() - 1);
    for (std::int64_t language = 0; language < languages_; ++language)
        added += "," + entry;
    positions_.Add(added);
}

void TBaseLangSwitch::ApplyPosition(gui::TComponent& component, int index) {
    if (!PositionsSwitched(index)) return;
    const std::string key = PositionKey(component, index);
    for (int line = positions_.Count() - 1; line >= 0; --line) {
        if (positions_[line].compare(0, key.size(), key) != 0) continue;
        const std::vector<std::string> items = Split(positions_[line], ',');
        if (static_cast<std::int64_t>(items.size()) <= activeLanguage_ + 1) return;
        const std::vector<std::string> values =
            Split(items[static_cast<std::size_t>(activeLanguage_) + 1], '.');
        const char* const properties[] = {"Left", "Top", "Width", "Height"};
        for (std::size_t i = 0; i < 4 && i < values.size(); ++i) {
            std::int32_t value = 0;
            // An empty or non-numeric part leaves that property as it is.
            if (HasIntegerProperty(component, properties[i]) && rtl::TryStrToInt(values[i], value))
                gui::SetProperty(component, properties[i], std::int64_t{value});
        }
        return;
    }
}

bool TBaseLangSwitch::ShouldTranslate(const gui::TComponent& component) const {
    if (translateEdits_ == TTranslateEdits::teAlways) return true;
    if (gui::HasProperty(component, "Action") &&
        gui::PropertyOf(component, "Action").Kind == gui::TTypeKind::tkClass &&
        gui::GetObjectProperty(component, "Action") != nullptr)
        return false;
    if (gui::HasProperty(component, "ReadOnly") &&
        (gui::HasProperty(component, "Text") || gui::HasProperty(component, "Lines"))) {
        if (translateEdits_ == TTranslateEdits::teNever) return false;
        return gui::GetBooleanProperty(component, "ReadOnly");
    }
    return true;
}

void TBaseLangSwitch::SetLanguages(std::int64_t languages) {
    if (languages == languages_) return;
    if (languages < languages_ && !IsLoading()) {
        if (languages <= 0) {
            gui::MessageDlg("You have to provide at least 1 language.", gui::TMsgDlgType::mtInformation,
                            {gui::TMsgDlgBtn::mbOK});
            return;
        }
        if (activeLanguage_ >= languages) {
            if (gui::MessageDlg(
                    "You are decreasing the number of languages.\rEntries for the removed language will be "
                    "lost.\rThe currently displayed language will be deleted, too.\r\rDo you really want "
                    "to continue?",
                    gui::TMsgDlgType::mtConfirmation,
                    {gui::TMsgDlgBtn::mbYes, gui::TMsgDlgBtn::mbNo}) != gui::mrYes)
                return;
            activeLanguage_ = 0;
        } else if (gui::MessageDlg(
                       "You are decreasing the number of languages.\rEntries for the removed language "
                       "will be lost.\r\rContinue?",
                       gui::TMsgDlgType::mtConfirmation,
                       {gui::TMsgDlgBtn::mbYes, gui::TMsgDlgBtn::mbNo}) != gui::mrYes) {
            return;
        }
    }
    if (languages <= 0) return;
    ReshapeWords(languages);
    languages_ = languages;
    // Also while loading, where the stored active language may come before the languages.
    if (activeLanguage_ >= languages_) activeLanguage_ = 0;
    if (defaultLanguage_ >= languages_) defaultLanguage_ = 0;
}

void TBaseLangSwitch::ReshapeWords(std::int64_t languages) {
    const int oldSize = GroupSize();
    const int groups = words_.Count() / oldSize;
    words_.BeginUpdate();
    for (int group = groups - 1; group >= 0; --group) {
        const int firstText = group * oldSize + 1;
        if (languages < languages_) {
            for (std::int64_t language = languages_ - 1; language >= languages; --language)
                words_.Delete(firstText + static_cast<int>(language));
        } else {
            for (std::int64_t added = languages_; added < languages; ++added)
                words_.Insert(firstText + static_cast<int>(languages_), "?");
        }
    }
    words_.EndUpdate();
}

void TBaseLangSwitch::SetDefaultLanguage(std::int64_t language) {
    if (language < 0 || language >= languages_) {
        ShowOutOfRange();
        return;
    }
    if (language == defaultLanguage_) return;
    defaultLanguage_ = language;
    Switch(activeLanguage_);
}

void TBaseLangSwitch::SetDefaultEnabled(bool enabled) {
    if (enabled == defaultEnabled_) return;
    defaultEnabled_ = enabled;
    Switch(activeLanguage_);
}

void TBaseLangSwitch::SetSwitchPositions(TSwitchPositions positions) {
    if (positions == switchPositions_) return;
    if (positions == TSwitchPositions::spNone) {
        for (int line = positions_.Count() - 1; line >= 0; --line) {
            if (!EntriesDiffer(positions_[line])) continue;
            if (gui::MessageDlg(
                    "You are going to drop the positions.\rCurrently different values are stored for "
                    "each language,\rDo you want to drop these values?",
                    gui::TMsgDlgType::mtWarning,
                    {gui::TMsgDlgBtn::mbYes, gui::TMsgDlgBtn::mbNo}) != gui::mrYes) {
                gui::ShowMessage(kCancelled);
                return;
            }
        }
        positions_.Clear();
    } else if (positions == TSwitchPositions::spControlsOnly &&
               switchPositions_ == TSwitchPositions::spFormAndControls) {
        const std::string key = std::string(kFormKey) + ",";
        for (int line = 0; line < positions_.Count(); ++line) {
            if (positions_[line].compare(0, key.size(), key) != 0) continue;
            if (EntriesDiffer(positions_[line]) &&
                gui::MessageDlg(
                    "You are going to drop the positions for the form.\rCurrently different values are "
                    "stored for each language.\rDo you want to drop these values?",
                    gui::TMsgDlgType::mtWarning,
                    {gui::TMsgDlgBtn::mbYes, gui::TMsgDlgBtn::mbNo}) != gui::mrYes) {
                gui::ShowMessage(kCancelled);
                return;
            }
            positions_.Delete(line);
            break;
        }
    }
    switchPositions_ = positions;
}

void TBaseLangSwitch::Loaded() {
    TComponent::Loaded();
    if (!IsDesigning()) SetActiveLanguage(GlobalLanguage);
    if (StringDllName.empty()) return;
    if (rtl::FileExists(StringDllName))
        LoadStringDll();
    else
        StringDllName = rtl::ExtractFileName(StringDllName);
}

void TBaseLangSwitch::LoadStringDll() {
    const LibraryHandle library{win::LoadLibraryA(StringDllName.c_str())};
    if (reinterpret_cast<std::uintptr_t>(library.handle) <= 32)
        throw rtl::Exception("Cannot load string DLL \"" + StringDllName + "\".");
    const gui::TComponent* owner = Owner();
    char text[300];
    win::UINT header = 1000;
    for (;; header += 100) {
        win::SetLastError(0);
        const int length = win::LoadStringA(library.handle, header, text, sizeof text);
        if (win::GetLastError() != 0) return;
        if (length <= 2) continue;
        const std::string rest(text + 1, static_cast<std::size_t>(length - 1));
        if (text[0] == '%' && owner != nullptr &&
            strcasecmp(rtl::ExtractFileName(rest).c_str(), owner->ClassName().c_str()) == 0)
            break;
        if (text[0] == '$' && owner != nullptr && strcasecmp(rest.c_str(), owner->Name().c_str()) == 0) break;
    }
    defaultLanguage_ = 0;
    activeLanguage_ = 0;
    languages_ = 1;
    words_.Clear();
    for (win::UINT id = header + 1;; ++id) {
        const int length = win::LoadStringA(library.handle, id, text, sizeof text);
        if (length == 0) {
            if (words_.Count() % 2 == 0) break;
            words_.Add("");
            continue;
        }
        words_.Add(std::string(text, static_cast<std::size_t>(length)));
    }
    Switch(0);
}

} // namespace multilang
