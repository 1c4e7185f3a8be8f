object Window: TFuzzForm
  Caption = 'x'#13#10'y'
  Left = -5
  object Label1: TLabel
    Caption = #65'b'
    Font.Name = 'MS Sans Serif'
  end
  object ListBox1: TListBox
    Items.Strings = ('a' 'b')
  end
end
