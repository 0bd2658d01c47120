{ The protection list written and read by Free Pascal's own component
  streaming, as a peer for our protection.list. Same commands and text form
  as protection_list_tool:
    protection_peer write <protections.txt> <protection.list>
    protection_peer dump <protection.list> }
program protection_peer;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, peer_text;

type
  TProtection = record
    Kind: Integer;
    Path, ListFile, DisplayName: string;
    Enabled, WatchSubtree, Predefined: Boolean;
    PredefinedType, Id: Integer;
  end;

  TProtectionList = class(TComponent)
  private
    FItems: array of TProtection;
    procedure ReadItems(Reader: TReader);
    procedure WriteItems(Writer: TWriter);
  protected
    procedure DefineProperties(Filer: TFiler); override;
  end;

procedure TProtectionList.DefineProperties(Filer: TFiler);
begin
  inherited DefineProperties(Filer);
  Filer.DefineProperty('Protection', @ReadItems, @WriteItems, True);
end;

procedure TProtectionList.ReadItems(Reader: TReader);
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
      Kind := Reader.ReadInteger;
      Path := Reader.ReadString;
      ListFile := Reader.ReadString;
      DisplayName := Reader.ReadString;
      Enabled := Reader.ReadBoolean;
      WatchSubtree := Reader.ReadBoolean;
      Predefined := Reader.ReadBoolean;
      PredefinedType := Reader.ReadInteger;
      Id := Reader.ReadInteger;
    end;
  end;
end;

procedure TProtectionList.WriteItems(Writer: TWriter);
var
  I: Integer;
begin
  Writer.WriteInteger(Length(FItems));
  for I := 0 to High(FItems) do
    with FItems[I] do
    begin
      Writer.WriteInteger(Kind);
      Writer.WriteString(Path);
      Writer.WriteString(ListFile);
      Writer.WriteString(DisplayName);
      Writer.WriteBoolean(Enabled);
      Writer.WriteBoolean(WatchSubtree);
      Writer.WriteBoolean(Predefined);
      Writer.WriteInteger(PredefinedType);
      Writer.WriteInteger(Id);
    end;
end;

procedure WriteList(const TextName, ListName: string);
var
  Lines: TStringList;
  List: TProtectionList;
  Line: string;
  I, N: Integer;
begin
  Lines := TStringList.Create;
  List := TProtectionList.Create(nil);
  try
    Lines.LoadFromFile(TextName);
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Lines[I];
      if Trim(Line) = '' then
        Continue;
      N := Length(List.FItems);
      SetLength(List.FItems, N + 1);
      with List.FItems[N] do
      begin
        Kind := StrToInt(NextField(Line));
        Path := FromHex(NextField(Line));
        ListFile := FromHex(NextField(Line));
        DisplayName := FromHex(NextField(Line));
        Enabled := NextField(Line) = '1';
        WatchSubtree := NextField(Line) = '1';
        Predefined := NextField(Line) = '1';
        PredefinedType := StrToInt(NextField(Line));
        Id := StrToInt(NextField(Line));
      end;
    end;
    WriteComponentResFile(ListName, List);
  finally
    List.Free;
    Lines.Free;
  end;
end;

procedure DumpList(const ListName: string);
var
  List: TProtectionList;
  I: Integer;
begin
  List := TProtectionList.Create(nil);
  try
    ReadComponentResFile(ListName, List);
    for I := 0 to High(List.FItems) do
      with List.FItems[I] do
        WriteLn(Kind, ' ', ToHex(Path), ' ', ToHex(ListFile), ' ', ToHex(DisplayName), ' ', Ord(Enabled), ' ',
          Ord(WatchSubtree), ' ', Ord(Predefined), ' ', PredefinedType, ' ', Id);
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
      WriteLn(StdErr, 'usage: protection_peer write <protections.txt> <protection.list> | dump <protection.list>');
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
