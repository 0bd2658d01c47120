{ The text side of the Free Pascal peers: strings in hexadecimal ("-" for an
  empty one) and the blank-separated fields of a record line. }
unit peer_text;

{$mode objfpc}{$H+}

interface

function FromHex(const S: string): string;
function ToHex(const S: string): string;
function NextField(var Line: string): string;

implementation

uses
  SysUtils;

function FromHex(const S: string): string;
var
  I: Integer;
begin
  Result := '';
  if S = '-' then
    Exit;
  I := 1;
  while I < Length(S) do
  begin
    Result := Result + Chr(StrToInt('$' + Copy(S, I, 2)));
    Inc(I, 2);
  end;
end;

function ToHex(const S: string): string;
var
  I: Integer;
begin
  if S = '' then
    Exit('-');
  Result := '';
  for I := 1 to Length(S) do
    Result := Result + LowerCase(IntToHex(Ord(S[I]), 2));
end;

function NextField(var Line: string): string;
var
  P: Integer;
begin
  Line := TrimLeft(Line);
  P := Pos(' ', Line);
  if P = 0 then
  begin
    Result := Line;
    Line := '';
  end
  else
  begin
    Result := Copy(Line, 1, P - 1);
    Delete(Line, 1, P);
  end;
end;

end.
