// The language switch: a window's word table with one text per language, and switching the
// window's caption, texts, font and positions between the languages.
#pragma once

#include "gui/Component.h"
#include "rtl/StringList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace multilang {

using TBeforeLanguageChange =
    gui::TMethod<void(gui::TObject* sender, std::uint8_t newLanguage, bool& allowIt)>;
using TAfterLanguageChanged = gui::TMethod<void(gui::TObject* sender, std::uint8_t newLanguage)>;
using TIdNotFoundError = gui::TMethod<void(gui::TObject* sender, const std::string& id, std::string& res)>;

enum class TSwitchPositions { spNone, spControlsOnly, spFormAndControls };
enum class TTranslateEdits { teNever, teReadOnly, teAlways };

// Rows of text cells with a settable number of rows, filled by GatherTexts for a word-table editor.
class TTextGrid {
public:
    virtual ~TTextGrid() = default;
    virtual int RowCount() const = 0;
    virtual void SetRowCount(int rows) = 0;
    virtual int ColCount() const = 0;
    virtual std::string Cell(int column, int row) const = 0;
    virtual void SetCell(int column, int row, const std::string& text) = 0;
};

inline constexpr const char* kFormKey = "%Form%";
inline constexpr const char* kContinuationKey = "\"";

class TBaseLangSwitch : public gui::TComponent {
    GUI_CLASS_INFO
public:
    explicit TBaseLangSwitch(gui::TComponent* owner);
    ~TBaseLangSwitch() override;

    std::string About() const { return "3.76"; }
    void SetAbout(const std::string&) {}

    TBeforeLanguageChange BeforeLanguageChange;
    TAfterLanguageChanged AfterLanguageChanged;
    TIdNotFoundError IdNotFoundError;

    std::int64_t DefaultLanguage() const { return defaultLanguage_; }
    void SetDefaultLanguage(std::int64_t language);
    bool DefaultEnabled() const { return defaultEnabled_; }
    void SetDefaultEnabled(bool enabled);
    std::int64_t Languages() const { return languages_; }
    void SetLanguages(std::int64_t languages);
    std::int64_t ActiveLanguage() const { return activeLanguage_; }
    // The switch: applies the texts, char set and positions of the language.
    void SetActiveLanguage(std::int64_t language);

    rtl::TStrings* Words() const { return &words_; }
    rtl::TStrings* DoNot() const { return &doNot_; }
    rtl::TStrings* Positions() const { return &positions_; }
    rtl::TStrings* CharSets() const { return &charSets_; }

    TSwitchPositions SwitchPositions() const { return switchPositions_; }
    void SetSwitchPositions(TSwitchPositions positions);
    TTranslateEdits TranslateEdits() const { return translateEdits_; }
    void SetTranslateEdits(TTranslateEdits edits) { translateEdits_ = edits; }

    // Whether the texts of the table reach the component (edit controls follow TranslateEdits).
    bool ShouldTranslate(const gui::TComponent& component) const;
    // Index -1 stands for the owner window.
    void SavePosition(gui::TComponent& component, int index);
    void ApplyPosition(gui::TComponent& component, int index);
    void SaveCharSet();
    void ApplyCharSet();

    // Writes the texts of the entry at line `index` into the component and moves `index` past it.
    virtual void TranslateComponent(gui::TComponent& component, int& index) = 0;
    // Copies the component's current texts into the grid from row `index` on.
    virtual void GatherTexts(gui::TComponent& component, int index, TTextGrid& grid) = 0;

    void Loaded() override;
    // Replaces the table with the one of the string library StringDllName for the owner window.
    void LoadStringDll();

    // The text the group at line `index` gives for the active language, by the text choice rule;
    // empty when the table ends before it.
    std::string ChosenText(int index) const;
    // Lines per group: the key and one text per language.
    int GroupSize() const { return static_cast<int>(languages_) + 1; }

private:
    void Switch(std::int64_t language);
    void ReshapeWords(std::int64_t languages);
    void ShowOutOfRange() const;
    bool PositionsSwitched(int index) const;
    static std::string PositionKey(const gui::TComponent& component, int index);

    std::int64_t defaultLanguage_ = 0;
    bool defaultEnabled_ = false;
    std::int64_t languages_ = 2;
    std::int64_t activeLanguage_ = 0;
    mutable rtl::TStringList words_;
    mutable rtl::TStringList doNot_;
    mutable rtl::TStringList positions_;
    mutable rtl::TStringList charSets_;
    TSwitchPositions switchPositions_ = TSwitchPositions::spNone;
    TTranslateEdits translateEdits_ = TTranslateEdits::teReadOnly;
};

// The process-wide state: every live switch in creation order, the language windows loaded from
// now on start in, and the optional string library.
extern std::vector<TBaseLangSwitch*> LangSwitchInstances;
extern std::uint8_t GlobalLanguage;
extern std::string StringDllName;

} // namespace multilang
