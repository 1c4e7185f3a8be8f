// The language switch walking arbitrary word tables, positions and char sets over a window with
// every kind of component it knows, in every language, and gathering the texts back.
#include "fuzz/FuzzInput.h"

#include "fuzz/FuzzForm.h"
#include "gui/ScriptedDialogs.h"
#include "multilang/LangSwitch.h"
#include "multilang/TestGrid.h"

namespace {

constexpr const char* kWindow = R"(object Window: TFuzzForm
  Caption = 'window'
  object Label1: TLabel
  end
  object Button1: TButton
    Hint = 'hint'
  end
  object Edit1: TEdit
  end
  object Memo1: TMemo
    Lines.Strings = ('one' 'two')
  end
  object ListBox1: TListBox
    Items.Strings = ('a' 'b' 'c')
  end
  object ComboBox1: TComboBox
    Items.Strings = ('x' 'y')
  end
  object RadioGroup1: TRadioGroup
    Items.Strings = ('r1' 'r2')
  end
  object StatusBar1: TStatusBar
  end
  object Header1: THeader
    Sections.Strings = ('s1' 's2')
  end
  object Notebook1: TNotebook
    Pages.Strings = ('p1' 'p2')
  end
  object TabSet1: TTabSet
    Tabs.Strings = ('t1')
  end
  object TabControl1: TTabControl
    Tabs.Strings = ('t1' 't2')
  end
  object TreeView1: TTreeView
  end
  object ListView1: TListView
  end
  object HeaderControl1: THeaderControl
  end
  object FilterComboBox1: TFilterComboBox
  end
  object OpenDialog1: TOpenDialog
  end
  object MenuItem1: TMenuItem
  end
  object DBNavigator1: TDBNavigator
  end
  object DBGrid1: TDBGrid
  end
  object Timer1: TTimer
  end
end
)";

void SetLines(rtl::TStrings& lines, const std::string& text) {
    lines.Clear();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos && lines.Count() < 400;
         start = end + 1)
        lines.Add(text.substr(start, end - start));
    if (start < text.size()) lines.Add(text.substr(start));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RegisterClasses();
    test::ScriptedDialogs dialogs;
    fuzz::FuzzInput input(data, size);
    multilang::GlobalLanguage = 0;
    fuzz::TFuzzForm window(nullptr);
    gui::ReadComponent(window, kWindow);
    auto* languageSwitch = new multilang::TLangSwitch(&window);
    languageSwitch->SetName("LangSwitch1");
    languageSwitch->SetLanguages(1 + input.Upto(5));
    languageSwitch->SetSwitchPositions(static_cast<multilang::TSwitchPositions>(input.Upto(2)));
    languageSwitch->SetTranslateEdits(static_cast<multilang::TTranslateEdits>(input.Upto(2)));
    languageSwitch->SetDefaultLanguage(input.Upto(5));
    languageSwitch->SetDefaultEnabled((input.Byte() & 1) != 0);
    SetLines(*languageSwitch->Positions(), input.Bytes(input.Upto(2000)));
    SetLines(*languageSwitch->CharSets(), input.Bytes(input.Upto(500)));
    SetLines(*languageSwitch->Words(), input.Rest());
    for (int language = 0; language <= 5; ++language) {
        languageSwitch->SetActiveLanguage(language);
        if (language == 1) languageSwitch->SetLanguages(1 + language % 3);
    }
    test::TestGrid grid(8); // up to six languages
    languageSwitch->GatherTexts(window, 0, grid);
    for (gui::TComponent* component : window.ComponentList())
        languageSwitch->GatherTexts(*component, grid.RowCount() - 1, grid);
    multilang::SetGlobalLanguage(0);
    return 0;
}
