object GetUpdateFile: TGetUpdateFile
  Left = 0
  Top = 0
  BorderStyle = bsDialog
  Caption = '軟件安裝糸統'
  ClientHeight = 327
  ClientWidth = 494
  Color = clBtnFace
  Font.Charset = 1
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  Visible = True
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  PixelsPerInch = 96
  TextHeight = 13
  object Label1: TLabel
    Left = 16
    Top = 260
    Width = 51
    Height = 12
    Caption = '工作狀態:'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object Label2: TLabel
    Left = 16
    Top = 56
    Width = 203
    Height = 12
    Caption = '下載軟件安裝所需檔案 (約需時15分鐘)'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object ProgramIcon: TImage
    Left = 16
    Top = 12
    Width = 33
    Height = 33
  end
  object Label3: TLabel
    Left = 72
    Top = 18
    Width = 150
    Height = 15
    Caption = '軟件 (下載 / 安裝) 系統'
    Font.Charset = 136
    Font.Color = clBlue
    Font.Height = -15
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object Label4: TLabel
    Left = 16
    Top = 80
    Width = 48
    Height = 12
    Caption = '檔案列表'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object Label5: TLabel
    Left = 176
    Top = 80
    Width = 84
    Height = 12
    Caption = '成功下載之檔案'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object Label6: TLabel
    Left = 336
    Top = 80
    Width = 67
    Height = 12
    Caption = 'C:\Brantwell'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object InfoMemo: TMemo
    Left = 16
    Top = 104
    Width = 140
    Height = 137
    TabOrder = 0
    WordWrap = False
  end
  object StatusBar1: TStatusBar
    Left = 80
    Top = 256
    Width = 393
    Height = 19
    Align = alNone
    SimplePanel = True
    TabOrder = 1
    TabStop = False
  end
  object btnExit: TButton
    Left = 388
    Top = 288
    Width = 90
    Height = 25
    Caption = '離開'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
    TabOrder = 2
    OnClick = btnExitClick
  end
  object Memo1: TMemo
    Left = 176
    Top = 104
    Width = 140
    Height = 137
    TabOrder = 3
  end
  object btnInstall: TButton
    Left = 272
    Top = 288
    Width = 90
    Height = 25
    Caption = '安裝軟件'
    Font.Charset = 136
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'MS Sans Serif'
    ParentFont = False
    TabOrder = 4
    OnClick = btnInstallClick
  end
  object FileListBox1: TFileListBox
    Left = 336
    Top = 104
    Width = 140
    Height = 137
    ItemHeight = 13
    TabOrder = 5
  end
  object btnFileDownload: TBitBtn
    Left = 16
    Top = 288
    Width = 90
    Height = 25
    Caption = '下載檔案'
    Font.Charset = 1
    Font.Color = clBlue
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    ParentFont = False
    TabOrder = 6
    OnClick = btnFileDownloadClick
  end
  object BitBtn1: TBitBtn
    Left = 430
    Top = 16
    Width = 50
    Height = 22
    TabOrder = 7
    OnClick = BitBtn1Click
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 2000
    OnTimer = Timer1Timer
  end
  object Timer2: TTimer
    Enabled = False
    Interval = 3000
    OnTimer = Timer2Timer
  end
  object Timer3: TTimer
    Enabled = False
    Interval = 5000
    OnTimer = Timer3Timer
  end
end
