// Component streaming in the class library's binary form: a 16-bit resource
// header, the "TPF0" signature, the class and component names, then the
// properties as name + typed value, ended by an empty value, and the child
// list, ended the same way. Components store their data through
// DefineProperties, with values written by TWriter and read back by TReader.
//
// Readers never trust a length: every length is checked against the bytes
// left in the stream before anything is allocated or copied, and a damaged
// or truncated stream raises EReadError.
#pragma once

#include <cstdint>
#include <functional>

#include "classlib/component.h"
#include "classlib/streams.h"
#include "classlib/sysutils.h"

class TFiler;
class TReader;
class TWriter;

enum class TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
};

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;

class TFiler {
public:
    explicit TFiler(TStream& stream) : stream_(stream) {}
    virtual ~TFiler() = default;
    virtual void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;

protected:
    TStream& stream_;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;

    // The smallest of vaInt8, vaInt16, vaInt32 that holds the value.
    void WriteInteger(std::int32_t value);
    void WriteBoolean(bool value);
    // vaString up to 255 bytes, vaLString above.
    void WriteString(const String& value);
    void WriteListBegin();
    void WriteListEnd();

    void WriteSignature();
    void WriteComponent(TComponent& component);

private:
    void WriteValue(TValueType type);
    void WriteStr(const String& value);  // a short string: length byte and bytes
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;

    std::int32_t ReadInteger();
    // vaInt8 to vaInt32 and also vaInt64: what other writers store for
    // values of unsigned 32-bit fields.
    std::int64_t ReadInt64();
    bool ReadBoolean();
    // vaString and vaLString as they stand; vaWString and vaUTF8String
    // narrowed to 8 bits (characters above 255 become '?').
    String ReadString();
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList();
    TValueType NextValue();

    void ReadSignature();
    // Reads the root component's data into `component`.
    void ReadRootComponent(TComponent& component);

private:
    TValueType ReadValue();
    String ReadStr();
    String ReadBytes(std::uint64_t count);
    [[noreturn]] void InvalidValue();

    String propertyName_;
    bool propertyFound_ = false;
};

// The resource header that wraps a component in a resource file.
void WriteResourceHeader(TStream& stream, const String& resourceName, std::int64_t& sizeFixup);
void FixupResourceHeader(TStream& stream, std::int64_t sizeFixup);
void ReadResourceHeader(TStream& stream);  // raises EReadError

void WriteComponentRes(TStream& stream, TComponent& instance);
void ReadComponentRes(TStream& stream, TComponent& instance);

// WriteComponentResFile writes a temporary file and renames it over the old
// one (EFCreateError on failure). ReadComponentResFile raises EFOpenError when
// the file can't be opened and EReadError when it is damaged; what was read
// before the damage stays in `instance`.
void WriteComponentResFile(const String& fileName, TComponent& instance);
void ReadComponentResFile(const String& fileName, TComponent& instance);
