{ The guard list written and read by Free Pascal's own component streaming,
  as a peer for our freeze.list. Same commands and text form as
  freeze_list_tool:
    freeze_peer write <guards.txt> <freeze.list>
    freeze_peer dump <freeze.list> }
program freeze_peer;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, peer_text;

type
  TGuard = record
    State: Integer;
    AutoUpdate: Boolean;
    RootKey, KeyPath, ValueName, DisplayName, Comment: string;
    Kind, Reaction: Integer;
    Guid: string;
    Id: Integer;
  end;

  TFreezeList = class(TComponent)
  private
    FItems: array of TGuard;
    procedure ReadItems(Reader: TReader);
    procedure WriteItems(Writer: TWriter);
  protected
    procedure DefineProperties(Filer: TFiler); override;
  end;

procedure TFreezeList.DefineProperties(Filer: TFiler);
begin
  inherited DefineProperties(Filer);
  Filer.DefineProperty('Item', @ReadItems, @WriteItems, True);
end;

procedure TFreezeList.ReadItems(Reader: TReader);
var
  Count, I: Integer;
begin
  SetLength(FItems, 0);
  Count := Reader.ReadInteger;
  for I := 0 to Count - 1 do
  begin
    SetLength(FItems, I + 1);
    with FItems[I] do
    begin
      State := Reader.ReadInteger;
      AutoUpdate := Reader.ReadBoolean;
      RootKey := Reader.ReadString;
      KeyPath := Reader.ReadString;
      ValueName := Reader.ReadString;
      DisplayName := Reader.ReadString;
      Comment := Reader.ReadString;
      Kind := Reader.ReadInteger;
      Reaction := Reader.ReadInteger;
      Guid := Reader.ReadString;
      Id := Reader.ReadInteger;
    end;
  end;
end;

procedure TFreezeList.WriteItems(Writer: TWriter);
var
  I: Integer;
begin
  Writer.WriteInteger(Length(FItems));
  for I := 0 to High(FItems) do
    with FItems[I] do
    begin
      Writer.WriteInteger(State);
      Writer.WriteBoolean(AutoUpdate);
      Writer.WriteString(RootKey);
      Writer.WriteString(KeyPath);
      Writer.WriteString(ValueName);
      Writer.WriteString(DisplayName);
      Writer.WriteString(Comment);
      Writer.WriteInteger(Kind);
      Writer.WriteInteger(Reaction);
      Writer.WriteString(Guid);
      Writer.WriteInteger(Id);
    end;
end;

procedure WriteList(const TextFile, ListFile: string);
var
  Lines: TStringList;
  List: TFreezeList;
  Line: string;
  I, N: Integer;
begin
  Lines := TStringList.Create;
  List := TFreezeList.Create(nil);
  try
    Lines.LoadFromFile(TextFile);
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Lines[I];
      if Trim(Line) = '' then
        Continue;
      N := Length(List.FItems);
      SetLength(List.FItems, N + 1);
      with List.FItems[N] do
      begin
        State := StrToInt(NextField(Line));
        AutoUpdate := NextField(Line) = '1';
        RootKey := FromHex(NextField(Line));
        KeyPath := FromHex(NextField(Line));
        ValueName := FromHex(NextField(Line));
        DisplayName := FromHex(NextField(Line));
        Comment := FromHex(NextField(Line));
        Kind := StrToInt(NextField(Line));
        Reaction := StrToInt(NextField(Line));
        Guid := FromHex(NextField(Line));
        Id := StrToInt(NextField(Line));
      end;
    end;
    WriteComponentResFile(ListFile, List);
  finally
    List.Free;
    Lines.Free;
  end;
end;

procedure DumpList(const ListFile: string);
var
  List: TFreezeList;
  I: Integer;
begin
  List := TFreezeList.Create(nil);
  try
    ReadComponentResFile(ListFile, List);
    for I := 0 to High(List.FItems) do
      with List.FItems[I] do
        WriteLn(State, ' ', Ord(AutoUpdate), ' ', ToHex(RootKey), ' ', ToHex(KeyPath), ' ', ToHex(ValueName), ' ',
          ToHex(DisplayName), ' ', ToHex(Comment), ' ', Kind, ' ', Reaction, ' ', ToHex(Guid), ' ', Id);
  finally
    List.Free;
  end;
end;

begin
  try
    if (ParamCount = 3) and (ParamStr(1) = 'write') then
      WriteList(ParamStr(2), ParamStr(3))
    else if (ParamCount = 2) and (ParamStr(1) = 'dump') then
      DumpList(ParamStr(2))
    else
    begin
      WriteLn(StdErr, 'usage: freeze_peer write <guards.txt> <freeze.list> | dump <freeze.list>');
      Halt(2);
    end;
  except
    on E: Exception do
    begin
      WriteLn(StdErr, E.ClassName, ': ', E.Message);
      Halt(1);
    end;
  end;
end.
