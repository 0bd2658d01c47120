#include "classlib/component_stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include "classlib/exceptions.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A component that stores one integer and one string in a defined property.
class TSample : public TComponent {
public:
    TSample() : TComponent(nullptr) {}
    String ClassName() const override { return "TSample"; }
    void DefineProperties(TFiler& filer) override
    {
        filer.DefineProperty(
            "Data",
            [this](TReader& r) {
                number = r.ReadInteger();
                text = r.ReadString();
            },
            [this](TWriter& w) {
                w.WriteInteger(number);
                w.WriteString(text);
            },
            true);
    }
    std::int32_t number = 0;
    String text;
};

Bytes Write(TSample& sample)
{
    TMemoryStream stream;
    WriteComponentRes(stream, sample);
    return stream.Bytes();
}

void Read(const Bytes& bytes, TSample& sample)
{
    TMemoryStream stream(bytes);
    ReadComponentRes(stream, sample);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

// The header and root of a TSample named "obj", before its properties.
Bytes Head()
{
    return Concat({{0xFF, 0x0A, 0x00}, Text("TSAMPLE"), {0x00, 0x30, 0x10, 0x00, 0x00, 0x00, 0x00}, Text("TPF0"),
                   {7}, Text("TSample"), {3}, Text("obj")});
}

}  // namespace

TEST(ComponentStream, GoldenBytes)
{
    TSample sample;
    sample.SetName("obj");
    sample.SetTag(5);
    sample.number = 1;
    sample.text = "ab";
    const Bytes expected = {
        0xFF, 0x0A, 0x00, 'T', 'S', 'A', 'M', 'P', 'L', 'E', 0x00, 0x30, 0x10, 35, 0, 0, 0,  // resource header
        'T', 'P', 'F', '0',                                                                  // signature
        7, 'T', 'S', 'a', 'm', 'p', 'l', 'e', 3, 'o', 'b', 'j',                              // class, name
        3, 'T', 'a', 'g', 0x02, 5,                                                           // Tag: vaInt8 5
        4, 'D', 'a', 't', 'a', 0x02, 1, 0x06, 2, 'a', 'b',                                   // Data
        0x00, 0x00,                                                                          // ends
    };
    EXPECT_EQ(Write(sample), expected);

    TSample back;
    Read(expected, back);
    EXPECT_EQ(back.Name(), "obj");
    EXPECT_EQ(back.Tag(), 5);
    EXPECT_EQ(back.number, 1);
    EXPECT_EQ(back.text, "ab");
}

TEST(ComponentStream, IntegersTakeTheSmallestEncoding)
{
    struct Case {
        std::int32_t value;
        Bytes encoding;
    } cases[] = {
        {0, {0x02, 0x00}},
        {127, {0x02, 0x7F}},
        {-128, {0x02, 0x80}},
        {128, {0x03, 0x80, 0x00}},
        {-129, {0x03, 0x7F, 0xFF}},
        {32767, {0x03, 0xFF, 0x7F}},
        {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
        {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
        {INT32_MIN, {0x04, 0x00, 0x00, 0x00, 0x80}},
        {-1, {0x02, 0xFF}},  // the id 0xFFFFFFFF
    };
    for (const Case& c : cases) {
        TMemoryStream stream;
        TWriter writer(stream);
        writer.WriteInteger(c.value);
        EXPECT_EQ(stream.Bytes(), c.encoding) << c.value;
        stream.SetPosition(0);
        TReader reader(stream);
        EXPECT_EQ(reader.ReadInteger(), c.value);
    }
}

TEST(ComponentStream, LongStringsUseFourByteLengths)
{
    for (size_t length : {size_t{0}, size_t{255}, size_t{256}, size_t{70000}}) {
        const String s(length, 'x');
        TMemoryStream stream;
        TWriter writer(stream);
        writer.WriteString(s);
        const Bytes& b = stream.Bytes();
        if (length <= 255) {
            ASSERT_EQ(b.size(), 2 + length);
            EXPECT_EQ(b[0], 0x06);
            EXPECT_EQ(b[1], length);
        } else {
            ASSERT_EQ(b.size(), 5 + length);
            EXPECT_EQ(b[0], 0x0C);
            EXPECT_EQ(b[1] | (b[2] << 8) | (b[3] << 16) | (b[4] << 24), static_cast<int>(length));
        }
        stream.SetPosition(0);
        TReader reader(stream);
        EXPECT_EQ(reader.ReadString(), s);
    }
}

TEST(ComponentStream, WhatOtherWritersMayStoreIsRead)
{
    const Bytes head = Head();
    const Bytes beforeRoot(head.begin(), head.begin() + 21);  // resource header and signature
    const Bytes root(head.begin() + 21, head.end());
    struct Case {
        const char* what;
        Bytes bytes;
        std::int32_t number;
        String text;
        std::int32_t tag;
    } cases[] = {
        {"an inherited-component prefix", Concat({beforeRoot, {0xF1}, root,
                                                  {4}, Text("Data"), {0x02, 1, 0x06, 1, 'x'}, {0, 0}}), 1, "x", 0},
        {"a prefix with a child position", Concat({beforeRoot, {0xF2, 0x02, 0x03}, root,
                                                   {4}, Text("Data"), {0x02, 1, 0x06, 0}, {0, 0}}), 1, "", 0},
        {"a tag in lower case", Concat({Head(), {3}, Text("tag"), {0x03, 0x00, 0x01}, {4}, Text("Data"), {0x02, 2, 0x06, 0}, {0, 0}}), 2, "", 256},
        {"a wide string", Concat({Head(), {4}, Text("Data"), {0x02, 3, 0x12, 3, 0, 0, 0, 'a', 0, 0xE4, 0, 0x3A, 0x26}, {0, 0}}), 3, "a\xe4?", 0},
        {"a UTF-8 string", Concat({Head(), {4}, Text("Data"), {0x02, 4, 0x14, 6, 0, 0, 0, 'a', 0xC3, 0xA4, 0xE2, 0x98, 0xBA}, {0, 0}}), 4, "a\xe4?", 0},
    };
    for (const Case& c : cases) {
        TSample sample;
        ASSERT_NO_THROW(Read(c.bytes, sample)) << c.what;
        EXPECT_EQ(sample.number, c.number) << c.what;
        EXPECT_EQ(sample.text, c.text) << c.what;
        EXPECT_EQ(sample.Tag(), c.tag) << c.what;
    }
    // A wide string's length counts characters: twice as many bytes must follow.
    TSample sample;
    EXPECT_THROW(Read(Concat({Head(), {4}, Text("Data"), {0x02, 3, 0x12, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}}), sample), EReadError);
}

TEST(ComponentStream, DamagedStreamsRaiseReadErrors)
{
    const Bytes data = {4, 'D', 'a', 't', 'a', 0x02, 1, 0x06, 2, 'a', 'b'};
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"wrong resource marker", [&] {
             Bytes b = Concat({Head(), data, {0, 0}});
             b[0] = 0xFE;
             return b;
         }()},
        {"wrong signature", [&] {
             Bytes b = Concat({Head(), data, {0, 0}});
             b[20] = '1';
             return b;
         }()},
        {"unknown property", Concat({Head(), {4}, Text("Size"), {0x02, 1}, {0, 0}})},
        {"string where an integer belongs", Concat({Head(), {4}, Text("Data"), {0x06, 1, 'x', 0x06, 0}, {0, 0}})},
        {"long string running past the end", Concat({Head(), {4}, Text("Data"), {0x02, 1, 0x0C, 0xF0, 0xFF, 0xFF, 0x7F, 'a'}})},
        {"short string running past the end", Concat({Head(), {4}, Text("Data"), {0x02, 1, 0x06, 200, 'a'}})},
        {"property name running past the end", Concat({Head(), {200, 'D'}})},
        {"unterminated resource name", Concat({{0xFF, 0x0A, 0x00}, Bytes(100, 'A')})},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        TSample sample;
        EXPECT_THROW(Read(c.bytes, sample), EReadError) << c.what;
    }

    // A streamed child names a class the program doesn't stream.
    TSample sample;
    EXPECT_THROW(Read(Concat({Head(), data, {0}, {7}, Text("TButton"), {0}, {0, 0}, {0}}), sample), EClassNotFound);
}

TEST(ComponentStream, EveryTruncationRaisesAReadError)
{
    TSample sample;
    sample.SetName("obj");
    sample.number = 100000;
    sample.text = String(300, 'q');
    const Bytes whole = Write(sample);
    for (size_t n = 0; n < whole.size(); ++n) {
        TSample back;
        EXPECT_THROW(Read(Bytes(whole.begin(), whole.begin() + static_cast<long>(n)), back), EReadError) << n;
    }
}

TEST(ComponentStream, ResourceFilesRoundTrip)
{
    test_support::TempFolder folder;
    const String file = folder.File("sample.res");
    TSample sample;
    sample.number = -5;
    sample.text = "saved";
    WriteComponentResFile(file, sample);
    TSample back;
    ReadComponentResFile(file, back);
    EXPECT_EQ(back.number, -5);
    EXPECT_EQ(back.text, "saved");
    EXPECT_THROW(ReadComponentResFile(folder.File("missing.res"), back), EFOpenError);
}
