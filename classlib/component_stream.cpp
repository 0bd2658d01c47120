#include "classlib/component_stream.h"

#include "classlib/exceptions.h"

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};
constexpr std::uint16_t kResourceTypeRcData = 10;
constexpr std::uint16_t kResourceFlags = 0x1030;
constexpr size_t kMaxResourceName = 63;

void PutLE(TStream& s, std::uint32_t v, int bytes)
{
    std::uint8_t b[4];
    for (int i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>(v >> (8 * i));
    s.WriteBuffer(b, static_cast<size_t>(bytes));
}

std::uint32_t GetLE(TStream& s, int bytes)
{
    std::uint8_t b[4] = {};
    s.ReadBuffer(b, static_cast<size_t>(bytes));
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    return v;
}

// UTF-8 to 8-bit text: code points up to 255 as bytes, others as '?'; a byte
// that starts no valid sequence is kept as it is.
String NarrowUtf8(const String& utf8)
{
    String text;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        bool valid = extra > 0;
        std::uint32_t code = c & (0x3F >> extra);
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + static_cast<size_t>(k) >= utf8.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            text += static_cast<char>(c);
            ++i;
            continue;
        }
        text += code < 256 ? static_cast<char>(code) : '?';
        i += static_cast<size_t>(extra) + 1;
    }
    return text;
}

}  // namespace

// ---- TWriter ----

void TWriter::DefineProperty(const String& name, const TReaderProc&, const TWriterProc& writeData, bool hasData)
{
    if (!hasData || !writeData)
        return;
    WriteStr(name);
    writeData(*this);
}

void TWriter::WriteValue(TValueType type)
{
    const auto b = static_cast<std::uint8_t>(type);
    stream_.WriteBuffer(&b, 1);
}

void TWriter::WriteStr(const String& value)
{
    const size_t n = value.size() > 255 ? 255 : value.size();
    const auto length = static_cast<std::uint8_t>(n);
    stream_.WriteBuffer(&length, 1);
    stream_.WriteBuffer(value.data(), n);
}

void TWriter::WriteInteger(std::int32_t value)
{
    if (value >= -128 && value <= 127) {
        WriteValue(TValueType::vaInt8);
        PutLE(stream_, static_cast<std::uint32_t>(value), 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(TValueType::vaInt16);
        PutLE(stream_, static_cast<std::uint32_t>(value), 2);
    } else {
        WriteValue(TValueType::vaInt32);
        PutLE(stream_, static_cast<std::uint32_t>(value), 4);
    }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse); }

void TWriter::WriteString(const String& value)
{
    if (value.size() <= 255) {
        WriteValue(TValueType::vaString);
        PutLE(stream_, static_cast<std::uint32_t>(value.size()), 1);
    } else {
        if (value.size() > INT32_MAX)
            throw EWriteError("Stream write error");
        WriteValue(TValueType::vaLString);
        PutLE(stream_, static_cast<std::uint32_t>(value.size()), 4);
    }
    stream_.WriteBuffer(value.data(), value.size());
}

void TWriter::WriteListBegin() { WriteValue(TValueType::vaList); }
void TWriter::WriteListEnd() { WriteValue(TValueType::vaNull); }
void TWriter::WriteSignature() { stream_.WriteBuffer(kSignature, sizeof kSignature); }

void TWriter::WriteComponent(TComponent& component)
{
    WriteStr(component.ClassName());
    WriteStr(component.Name());
    if (component.Tag() != 0) {
        WriteStr("Tag");
        WriteInteger(component.Tag());
    }
    component.DefineProperties(*this);
    WriteListEnd();  // end of properties
    WriteListEnd();  // no child components
}

// ---- TReader ----

void TReader::DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (propertyFound_ || !SameText(name, propertyName_) || !readData)
        return;
    propertyFound_ = true;
    readData(*this);
}

TValueType TReader::ReadValue()
{
    std::uint8_t b = 0;
    stream_.ReadBuffer(&b, 1);
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue()
{
    const TValueType type = ReadValue();
    stream_.Seek(-1, TSeekOrigin::soCurrent);
    return type;
}

void TReader::InvalidValue() { throw EReadError("Invalid property value"); }

String TReader::ReadBytes(std::uint64_t count)
{
    if (count > static_cast<std::uint64_t>(stream_.Remaining()))
        throw EReadError("Stream read error");
    String s(static_cast<size_t>(count), '\0');
    stream_.ReadBuffer(s.data(), s.size());
    return s;
}

String TReader::ReadStr() { return ReadBytes(GetLE(stream_, 1)); }

std::int32_t TReader::ReadInteger()
{
    switch (ReadValue()) {
    case TValueType::vaInt8: return static_cast<std::int8_t>(GetLE(stream_, 1));
    case TValueType::vaInt16: return static_cast<std::int16_t>(GetLE(stream_, 2));
    case TValueType::vaInt32: return static_cast<std::int32_t>(GetLE(stream_, 4));
    default: InvalidValue();
    }
}

std::int64_t TReader::ReadInt64()
{
    if (NextValue() != TValueType::vaInt64)
        return ReadInteger();
    ReadValue();
    const std::uint64_t low = GetLE(stream_, 4);
    const std::uint64_t high = GetLE(stream_, 4);
    return static_cast<std::int64_t>(low | (high << 32));
}

bool TReader::ReadBoolean()
{
    switch (ReadValue()) {
    case TValueType::vaTrue: return true;
    case TValueType::vaFalse: return false;
    default: InvalidValue();
    }
}

String TReader::ReadString()
{
    switch (ReadValue()) {
    case TValueType::vaString: return ReadBytes(GetLE(stream_, 1));
    case TValueType::vaLString: return ReadBytes(GetLE(stream_, 4));
    case TValueType::vaUTF8String: return NarrowUtf8(ReadBytes(GetLE(stream_, 4)));
    case TValueType::vaWString: {
        const std::uint64_t units = GetLE(stream_, 4);
        const String bytes = ReadBytes(units * 2);
        String text;
        text.reserve(static_cast<size_t>(units));
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
            text += unit < 256 ? static_cast<char>(unit) : '?';
        }
        return text;
    }
    default: InvalidValue();
    }
}

void TReader::ReadListBegin()
{
    if (ReadValue() != TValueType::vaList)
        InvalidValue();
}

void TReader::ReadListEnd()
{
    if (ReadValue() != TValueType::vaNull)
        InvalidValue();
}

bool TReader::EndOfList() { return NextValue() == TValueType::vaNull; }

void TReader::ReadSignature()
{
    char signature[4] = {};
    stream_.ReadBuffer(signature, sizeof signature);
    for (size_t i = 0; i < sizeof signature; ++i)
        if (signature[i] != kSignature[i])
            throw EReadError("Invalid stream format");
}

void TReader::ReadRootComponent(TComponent& component)
{
    ReadSignature();
    // A prefix byte (0xF0 | flags) marks inherited or inline components.
    std::uint8_t first = 0;
    stream_.ReadBuffer(&first, 1);
    if ((first & 0xF0) == 0xF0) {
        if (first & 0x02)  // a child position follows
            ReadInteger();
    } else {
        stream_.Seek(-1, TSeekOrigin::soCurrent);
    }
    ReadStr();  // the class name: the instance decides what it is
    component.SetName(ReadStr());
    while (!EndOfList()) {
        propertyName_ = ReadStr();
        propertyFound_ = false;
        if (SameText(propertyName_, "Tag")) {
            component.SetTag(ReadInteger());
            continue;
        }
        component.DefineProperties(*this);
        if (!propertyFound_)
            throw EReadError("Error reading " + component.Name() + "." + propertyName_ + ": Property " +
                             propertyName_ + " does not exist");
    }
    ReadListEnd();
    // The program's own components have no streamed children.
    if (!EndOfList())
        throw EClassNotFound("Class " + ReadStr() + " not found");
    ReadListEnd();
}

// ---- resource files ----

void WriteResourceHeader(TStream& stream, const String& resourceName, std::int64_t& sizeFixup)
{
    const String name = UpperCase(resourceName.substr(0, kMaxResourceName));
    const std::uint8_t marker = 0xFF;
    stream.WriteBuffer(&marker, 1);
    PutLE(stream, kResourceTypeRcData, 2);
    stream.WriteBuffer(name.c_str(), name.size() + 1);
    PutLE(stream, kResourceFlags, 2);
    sizeFixup = stream.Position();
    PutLE(stream, 0, 4);
}

void FixupResourceHeader(TStream& stream, std::int64_t sizeFixup)
{
    const std::int64_t end = stream.Position();
    stream.SetPosition(sizeFixup);
    PutLE(stream, static_cast<std::uint32_t>(end - sizeFixup - 4), 4);
    stream.SetPosition(end);
}

void ReadResourceHeader(TStream& stream)
{
    try {
        std::uint8_t marker = 0;
        stream.ReadBuffer(&marker, 1);
        if (marker != 0xFF || GetLE(stream, 2) != kResourceTypeRcData)
            throw EReadError("Invalid stream format");
        // The resource name, up to its NUL.
        std::uint8_t c = 1;
        for (size_t n = 0; c != 0; ++n) {
            if (n > kMaxResourceName)
                throw EReadError("Invalid stream format");
            stream.ReadBuffer(&c, 1);
        }
        GetLE(stream, 2);  // memory flags
        GetLE(stream, 4);  // data size: the data are read up to their own end
    } catch (const EReadError&) {
        throw;
    } catch (const EStreamError&) {
        throw EReadError("Invalid stream format");
    }
}

void WriteComponentRes(TStream& stream, TComponent& instance)
{
    std::int64_t fixup = 0;
    WriteResourceHeader(stream, instance.ClassName(), fixup);
    TWriter writer(stream);
    writer.WriteSignature();
    writer.WriteComponent(instance);
    FixupResourceHeader(stream, fixup);
}

void ReadComponentRes(TStream& stream, TComponent& instance)
{
    ReadResourceHeader(stream);
    TReader reader(stream);
    reader.ReadRootComponent(instance);
}

void WriteComponentResFile(const String& fileName, TComponent& instance)
{
    TMemoryStream stream;
    WriteComponentRes(stream, instance);
    stream.SaveToFile(fileName);
}

void ReadComponentResFile(const String& fileName, TComponent& instance)
{
    TFileReadStream stream(fileName);
    ReadComponentRes(stream, instance);
}
